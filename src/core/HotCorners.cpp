#include "HotCorners.h"

HotCornerAction hotCornerStep(const CursorPlace& place)
{
    HotCornerAction step;
    const int w = place.screen.width();
    const int h = place.screen.height();
    int x = place.cursor.x() - place.screen.x();
    int y = place.cursor.y() - place.screen.y();
    if ((place.left || place.right) && (place.top || place.bottom)) {
        x = place.right ? w - 270 : 0;
        y = place.bottom ? h - 103 : 0;
        step.show = true;
        step.place = place.screen.topLeft() + QPoint(x, y);
    }
    // Tested on the moved position, so the tick that shows the palette never hides it.
    step.hide = (x > 268 && x < w - 270) || (y > 101 && y < h - 103);
    return step;
}
