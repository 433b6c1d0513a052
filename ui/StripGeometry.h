#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>

#include "core/StripSize.h"

// The pixel geometry of the strip of tiles (its size: core/StripSize.h).

// The tile of the box with the 1-based number.
QRect tileRect(const StripMetrics& m, int number);

// The box under a point of the client area, 1-based, 0 for none.
int HitTestBox(const StripMetrics& m, QPoint point);

// The height of the band of info lines above the picture, by how many kinds
// of info lines are shown.
int bandHeight(bool showStatus, bool showTargetAndMethod, bool showReplyTime);

// Regions inside a tile (top edge included, bottom edge excluded).
QRect infoLineRect(const QRect& tile, int line);
QRect statusWordRect(const QRect& tile);
QRect pictureArea(const QRect& tile, int band);
QRect builtInIconArea(const QRect& tile);
QRect nameBandRect(const QRect& tile);

// Where a picture of the given size is drawn in an area: a square picture
// fills the area's smaller side, any other is clamped side by side, then it
// is centred.
QRect fitIcon(QSize picture, const QRect& area);
