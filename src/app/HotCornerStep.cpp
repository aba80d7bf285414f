#include "app/HotCornerStep.h"

#include "core/Clock.h"
#include "gui/Palette.h"
#include "platform/Desktop.h"

#include <QMenu>

HotCornerStep::HotCornerStep(const Screens& screens, const Clock& clock, Palette& palette)
    : m_screens(screens), m_clock(clock), m_palette(palette)
{
}

QPoint HotCornerStep::run()
{
    const CursorPlace place = m_screens.cursorPlace();
    const HotCornerAction action = hotCornerStep(place);
    if (action.show) {
        m_hold.stop();
        m_palette.setGeometry(action.place.x(), action.place.y(), PaletteWidth, PaletteHeight);
        m_palette.show();
        m_palette.raise();
    }
    const bool held = m_hold.holds(m_palette.geometry(), place.cursor, m_clock.now());
    if (action.hide && !held && !m_palette.menu()->isVisible())
        m_palette.hide();
    return place.cursor;
}

void HotCornerStep::showNearCursor()
{
    const CursorPlace place = m_screens.cursorPlace();
    const QPoint corner = nearestCornerPlace(place.cursor, place.screen);
    m_palette.setGeometry(corner.x(), corner.y(), PaletteWidth, PaletteHeight);
    m_palette.show();
    m_palette.raise();
    m_palette.activateWindow();
    m_hold.start(m_clock.now());
}
