#pragma once

#include <QPoint>
#include <QSize>

// The size of the strip of tiles: an 8-pixel edge strip, then the tiles with a
// 1-pixel separator before each, inside a 1-pixel frame.
struct StripMetrics
{
    int w = 90;      // tile width
    int h = 80;      // tile height
    int n = 0;       // box count
    bool row = true; // tiles side by side (else one below the other)
};

// The metrics for the stored settings, made safe for use: sizes below 1
// count as 1, tiles above the Options dialog's largest (300 by 200) count as
// that, a count outside 0 to 70 is held inside it. The stored values stay as
// read.
StripMetrics stripMetrics(int xBox, int yBox, int numBox, int winPos);

QSize stripWindowSize(const StripMetrics& m);
// As above, for the stored settings.
QSize stripWindowSize(int xBox, int yBox, int numBox, int winPos);

// The stored window position made safe for use: each coordinate held within
// 16777215 pixels of the origin, so that adding a size to it cannot overflow.
// The stored values stay as read.
QPoint stripWindowPosition(int posX, int posY);
