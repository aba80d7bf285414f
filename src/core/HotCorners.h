#pragma once

#include "CursorPlace.h"

#include <QPoint>

// What one tick does with the palette.
struct HotCornerAction {
    bool show = false; // the cursor is on a corner pixel: place the palette at Place and show it
    QPoint place;
    bool hide = false; // the (moved) position is outside every corner zone
};

inline constexpr int PaletteWidth = 269;
inline constexpr int PaletteHeight = 79;

HotCornerAction hotCornerStep(const CursorPlace& place);
