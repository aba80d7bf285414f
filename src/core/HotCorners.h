#pragma once

#include "core/CursorPlace.h"

#include <QDateTime>
#include <QPoint>
#include <QRect>

// What one tick does with the palette.
struct HotCornerAction {
    bool show = false; // the cursor is on a corner pixel: place the palette at Place and show it
    QPoint place;
    bool hide = false; // the (moved) position is outside every corner zone
};

inline constexpr int PaletteWidth = 269;
inline constexpr int PaletteHeight = 79;

HotCornerAction hotCornerStep(const CursorPlace& place);

// Where the palette shows when asked for with the cursor anywhere (a second start): in the
// corner of the cursor's screen nearest to the cursor, where touching that corner shows it.
QPoint nearestCornerPlace(const QPoint& cursor, const QRect& screen);

// A palette shown on request, away from the cursor, would be hidden by the next tick: it stays
// until the cursor has been over it and left it, or for HoldMs while the cursor never comes.
class PaletteHold {
public:
    static constexpr qint64 HoldMs = 5000;

    void start(const QDateTime& now);
    void stop() { m_active = false; }
    // Whether the palette stays at this tick, whatever the corner zones say.
    bool holds(const QRect& palette, const QPoint& cursor, const QDateTime& now);

private:
    bool m_active = false;
    bool m_entered = false;
    QDateTime m_until;
};
