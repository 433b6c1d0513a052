#include "StripSize.h"

#include <algorithm>

namespace {
// The largest tile the Options dialog sets. Bigger hand-edited sizes would
// cost memory and painting time for every pixel of a window far beyond any
// screen (70 tiles of 4096 by 4096 take gigabytes).
constexpr int kMaxTileWidth = 300;
constexpr int kMaxTileHeight = 200;
constexpr int kMaxStripBoxes = 70;
constexpr int kMaxCoordinate = 16777215; // the largest window size there is
} // namespace

StripMetrics stripMetrics(int xBox, int yBox, int numBox, int winPos)
{
    return StripMetrics{std::clamp(xBox, 1, kMaxTileWidth), std::clamp(yBox, 1, kMaxTileHeight),
                        std::clamp(numBox, 0, kMaxStripBoxes), winPos != 0};
}

QSize stripWindowSize(const StripMetrics& m)
{
    if (m.row)
        return QSize(m.n * (m.w + 1) + 8, m.h + 2);
    return QSize(m.w + 2, m.n * (m.h + 1) + 8);
}

QSize stripWindowSize(int xBox, int yBox, int numBox, int winPos)
{
    return stripWindowSize(stripMetrics(xBox, yBox, numBox, winPos));
}

QPoint stripWindowPosition(int posX, int posY)
{
    return QPoint(std::clamp(posX, -kMaxCoordinate, kMaxCoordinate),
                  std::clamp(posY, -kMaxCoordinate, kMaxCoordinate));
}
