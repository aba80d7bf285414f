#pragma once

#include <QPoint>

// What one tick does with the palette for a cursor position on a W × H primary screen.
struct THotCornerStep {
    bool Show = false; // the cursor is on a corner point: place the palette at Place and show it
    QPoint Place;
    bool Hide = false; // the (moved) position is outside every corner zone
};

inline constexpr int PaletteWidth = 269;
inline constexpr int PaletteHeight = 79;

THotCornerStep HotCornerStep(int screenWidth, int screenHeight, QPoint cursor);
