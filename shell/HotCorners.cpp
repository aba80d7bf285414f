#include "shell/HotCorners.h"

THotCornerStep HotCornerStep(const TCursorPlace& place)
{
    THotCornerStep step;
    const int w = place.Screen.width();
    const int h = place.Screen.height();
    int x = place.Cursor.x() - place.Screen.x();
    int y = place.Cursor.y() - place.Screen.y();
    if ((place.Left || place.Right) && (place.Top || place.Bottom)) {
        x = place.Right ? w - 270 : 0;
        y = place.Bottom ? h - 103 : 0;
        step.Show = true;
        step.Place = place.Screen.topLeft() + QPoint(x, y);
    }
    // Tested on the moved position, so the tick that shows the palette never hides it.
    step.Hide = (x > 268 && x < w - 270) || (y > 101 && y < h - 103);
    return step;
}
