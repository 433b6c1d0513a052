#include "WindowSnap.h"

#include <cstdlib>

QPoint snapToWorkArea(QPoint topLeft, QSize size, const QRect& workArea)
{
    constexpr int kReach = 40;
    // Right and bottom are exclusive edges here, one past the last pixel.
    const int left = workArea.x();
    const int top = workArea.y();
    const int right = workArea.x() + workArea.width();
    const int bottom = workArea.y() + workArea.height();
    int x = topLeft.x();
    int y = topLeft.y();
    if (std::abs(x + size.width() - right) < kReach)
        x = right - size.width();
    if (std::abs(bottom - y - size.height()) < kReach)
        y = bottom - size.height();
    if (std::abs(y - top) < kReach)
        y = top;
    if (std::abs(x - left) < kReach)
        x = left;
    return QPoint(x, y);
}
