#pragma once

#include <QSize>

// The window's size for the strip: in the row layout (winPos not 0) the tiles
// side by side after an 8-pixel edge strip, in the column layout one above the
// other.
QSize stripWindowSize(int xBox, int yBox, int numBox, int winPos);
