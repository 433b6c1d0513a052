#include "StripSize.h"

#include <algorithm>

namespace {
constexpr int kMaxTileSide = 4096;
constexpr int kMaxStripBoxes = 70;
} // namespace

StripMetrics stripMetrics(int xBox, int yBox, int numBox, int winPos)
{
    return StripMetrics{std::clamp(xBox, 1, kMaxTileSide), std::clamp(yBox, 1, kMaxTileSide),
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
