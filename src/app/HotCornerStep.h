#pragma once

#include <QPoint>

class Palette;
class Screens;

// The tick's corner step: a cursor on a corner pixel of its screen shows the palette in that
// corner; a cursor outside every corner zone hides it (not while its menu is open, which reaches
// beyond the corner). The screen is read at every tick, so screens changed or added while the
// program runs have corners too.
class HotCornerStep {
public:
    HotCornerStep(const Screens& screens, Palette& palette);
    // Where the cursor was found.
    QPoint run();

private:
    const Screens& m_screens;
    Palette& m_palette;
};
