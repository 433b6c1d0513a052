#include "StripGeometry.h"

QSize stripWindowSize(int xBox, int yBox, int numBox, int winPos)
{
    if (winPos != 0)
        return QSize((xBox + 1) * numBox + 8, yBox + 2);
    return QSize(xBox + 2, (yBox + 1) * numBox + 8);
}
