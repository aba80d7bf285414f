#include "shell/HotCorners.h"

THotCornerStep HotCornerStep(int w, int h, QPoint cursor)
{
    THotCornerStep step;
    int x = cursor.x();
    int y = cursor.y();
    if ((x == 0 || x == w - 1) && (y == 0 || y == h - 1)) {
        if (y == h - 1)
            y -= 102;
        if (x == w - 1)
            x -= 269;
        step.Show = true;
        step.Place = QPoint(x, y);
    }
    // Tested on the moved position, so the tick that shows the palette never hides it.
    step.Hide = (x > 268 && x < w - 270) || (y > 101 && y < h - 103);
    return step;
}
