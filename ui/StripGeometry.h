#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>

// The pixel geometry of the strip of tiles: an 8-pixel edge strip, then the
// tiles with a 1-pixel separator before each, inside a 1-pixel frame.
struct StripMetrics
{
    int w = 90;      // tile width
    int h = 80;      // tile height
    int n = 0;       // box count
    bool row = true; // tiles side by side (else one below the other)
};

// The metrics for the stored settings, made safe for painting: sizes below 1
// count as 1, sizes so big that the window could not be made count as 4096,
// a count outside 0 to 70 is held inside it. The stored values stay as read.
StripMetrics stripMetrics(int xBox, int yBox, int numBox, int winPos);

QSize stripWindowSize(const StripMetrics& m);
// As above, for the stored settings.
QSize stripWindowSize(int xBox, int yBox, int numBox, int winPos);

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
