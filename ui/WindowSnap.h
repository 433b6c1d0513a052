#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>

// Where a window of the given size goes when moved to `topLeft`: within 40
// pixels of an edge of the work area it sticks to that edge. The right and
// bottom edges are tested first, so near both opposite edges the top and the
// left win.
QPoint snapToWorkArea(QPoint topLeft, QSize size, const QRect& workArea);
