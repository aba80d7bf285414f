#pragma once

#include "QtPrinting.h"

#include <QString>

// A test's text from its UTF-8 source, Japanese and all.
inline QString S(const char* utf8)
{
    return QString::fromUtf8(utf8);
}
