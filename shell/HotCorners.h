#pragma once

#include "platform/CursorPlace.h"

#include <QPoint>

// What one tick does with the palette.
struct THotCornerStep {
    bool Show = false; // the cursor is on a corner pixel: place the palette at Place and show it
    QPoint Place;
    bool Hide = false; // the (moved) position is outside every corner zone
};

inline constexpr int PaletteWidth = 269;
inline constexpr int PaletteHeight = 79;

THotCornerStep HotCornerStep(const TCursorPlace& place);
