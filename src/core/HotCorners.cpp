#include "core/HotCorners.h"

namespace {

// In a right corner the palette leaves the screen's last pixel column free; in a bottom corner
// it stands the height of a taskbar above the edge.
constexpr int RightGap = 1;
constexpr int BottomGap = 24;
constexpr int RightInset = PaletteWidth + RightGap;
constexpr int BottomInset = PaletteHeight + BottomGap;
// A corner's zone reaches as far as a palette shown there: the palette's width from the left
// edge, the inset from the right one; from the top, one pixel less than the inset from the bottom.
constexpr int LeftZoneWidth = PaletteWidth;
constexpr int TopZoneHeight = BottomInset - 1;

QPoint cornerPlace(const QRect& screen, bool right, bool bottom)
{
    return screen.topLeft() +
           QPoint(right ? screen.width() - RightInset : 0, bottom ? screen.height() - BottomInset : 0);
}

} // namespace

HotCornerAction hotCornerStep(const CursorPlace& place)
{
    HotCornerAction step;
    const int w = place.screen.width();
    const int h = place.screen.height();
    int x = place.cursor.x() - place.screen.x();
    int y = place.cursor.y() - place.screen.y();
    if ((place.left || place.right) && (place.top || place.bottom)) {
        step.show = true;
        step.place = cornerPlace(place.screen, place.right, place.bottom);
        x = step.place.x() - place.screen.x();
        y = step.place.y() - place.screen.y();
    }
    // Tested on the moved position, so the tick that shows the palette never hides it.
    step.hide = (x >= LeftZoneWidth && x < w - RightInset) || (y >= TopZoneHeight && y < h - BottomInset);
    return step;
}

QPoint nearestCornerPlace(const QPoint& cursor, const QRect& screen)
{
    const QPoint offset = cursor - screen.topLeft();
    return cornerPlace(screen, offset.x() >= screen.width() / 2, offset.y() >= screen.height() / 2);
}

void PaletteHold::start(const QDateTime& now)
{
    m_active = true;
    m_entered = false;
    m_until = now.addMSecs(HoldMs);
}

bool PaletteHold::holds(const QRect& palette, const QPoint& cursor, const QDateTime& now)
{
    if (!m_active)
        return false;
    if (palette.contains(cursor)) {
        m_entered = true;
        return true;
    }
    if (m_entered || now >= m_until)
        m_active = false;
    return m_active;
}
