#pragma once

#include <QColor>

// Colour values are stored as 0x00BBGGRR, red in the lowest byte.
inline QColor colorFromValue(quint32 value)
{
    return QColor(value & 0xFF, (value >> 8) & 0xFF, (value >> 16) & 0xFF);
}
