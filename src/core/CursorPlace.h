#pragma once

#include <QPoint>
#include <QRect>

// Where the cursor is: on which screen, and whether it is on that screen's first or last pixel
// column or row. The edges are told in device pixels: at a scale factor the logical position
// cannot say whether the cursor is on the last pixel (at 2 the last column reads as the width
// itself, at 1.25 the one before it reads as width - 1).
struct CursorPlace {
    QPoint cursor; // logical, on the virtual desktop
    QRect screen;  // logical geometry of the screen under the cursor
    bool left = false;
    bool top = false;
    bool right = false;
    bool bottom = false;
};

// The place of a cursor on a screen at scale factor 1, where logical pixels are device pixels.
inline CursorPlace cursorPlaceAt(const QRect& screen, QPoint cursor)
{
    return {cursor,
            screen,
            cursor.x() == screen.left(),
            cursor.y() == screen.top(),
            cursor.x() == screen.right(),
            cursor.y() == screen.bottom()};
}
