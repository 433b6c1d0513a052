#include "StripGeometry.h"

#include <algorithm>

QRect tileRect(const StripMetrics& m, int number)
{
    if (m.row)
        return QRect(8 + (number - 1) * (m.w + 1), 1, m.w, m.h);
    return QRect(1, 8 + (number - 1) * (m.h + 1), m.w, m.h);
}

int HitTestBox(const StripMetrics& m, QPoint point)
{
    const int along = m.row ? point.x() : point.y();
    const int side = m.row ? m.w : m.h;
    if (along <= 6)
        return 0;
    const int number = (along - 7) / (side + 1) + 1;
    return std::min(number, m.n);
}

int bandHeight(bool showStatus, bool showTargetAndMethod, bool showReplyTime)
{
    static const int bands[] = {1, 11, 22, 32, 41};
    return bands[(showStatus ? 1 : 0) + (showTargetAndMethod ? 2 : 0) + (showReplyTime ? 1 : 0)];
}

namespace {
// The rows top to bottom (bottom excluded) across the tile's width.
QRect rows(const QRect& tile, int top, int bottom)
{
    return QRect(tile.left(), tile.top() + top, tile.width(), std::max(0, bottom - top));
}
} // namespace

QRect infoLineRect(const QRect& tile, int line)
{
    return rows(tile, 10 * line - 1, 10 * line + 11);
}

QRect statusWordRect(const QRect& tile)
{
    return rows(tile, 23, tile.height());
}

QRect pictureArea(const QRect& tile, int band)
{
    return rows(tile, band, tile.height() - 14);
}

QRect builtInIconArea(const QRect& tile)
{
    return rows(tile, 36, tile.height() - 14);
}

QRect nameBandRect(const QRect& tile)
{
    return rows(tile, tile.height() - 13, tile.height());
}

QRect fitIcon(QSize picture, const QRect& area)
{
    int pw = picture.width();
    int ph = picture.height();
    const int aw = area.width();
    const int ah = area.height();
    if (pw == ph)
        pw = ph = std::min(aw, ah);
    if (pw > aw)
        pw = aw;
    if (ph > ah)
        ph = ah;
    const int right = area.left() + aw; // exclusive
    const int bottom = area.top() + ah;
    return QRect((area.left() + right) / 2 - pw / 2, (area.top() + bottom) / 2 - ph / 2, pw, ph);
}
