#pragma once

#include "core/HotCorners.h"

#include <QPoint>

class Clock;
class Palette;
class Screens;

// The tick's corner step: a cursor on a corner pixel of its screen shows the palette in that
// corner; a cursor outside every corner zone hides it (not while its menu is open, which reaches
// beyond the corner, nor while a palette shown on request waits for the cursor). The screen is
// read at every tick, so screens changed or added while the program runs have corners too.
class HotCornerStep {
public:
    HotCornerStep(const Screens& screens, const Clock& clock, Palette& palette);
    // Where the cursor was found.
    QPoint run();
    // Shows the palette in the corner nearest the cursor, with the focus, and keeps it there
    // until the user has found it (another start of the program asks for this).
    void showNearCursor();

private:
    const Screens& m_screens;
    const Clock& m_clock;
    Palette& m_palette;
    PaletteHold m_hold;
};
