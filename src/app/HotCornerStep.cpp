#include "HotCornerStep.h"

#include "Desktop.h"
#include "HotCorners.h"
#include "Palette.h"

#include <QMenu>

HotCornerStep::HotCornerStep(const Screens& screens, Palette& palette) : m_screens(screens), m_palette(palette) {}

QPoint HotCornerStep::run()
{
    const CursorPlace place = m_screens.cursorPlace();
    const HotCornerAction action = hotCornerStep(place);
    if (action.show) {
        m_palette.setGeometry(action.place.x(), action.place.y(), PaletteWidth, PaletteHeight);
        m_palette.show();
        m_palette.raise();
    }
    if (action.hide && !m_palette.menu()->isVisible())
        m_palette.hide();
    return place.cursor;
}
