#include "ui/StripGeometry.h"

#include <gtest/gtest.h>

#include <climits>

namespace {

StripMetrics rowOf(int w, int h, int n)
{
    return StripMetrics{w, h, n, true};
}

StripMetrics columnOf(int w, int h, int n)
{
    return StripMetrics{w, h, n, false};
}

::testing::Message describe(const StripMetrics& m)
{
    return ::testing::Message() << (m.row ? "row " : "column ") << m.w << "x" << m.h << " n=" << m.n;
}

TEST(StripGeometry, WindowSize)
{
    const struct
    {
        StripMetrics m;
        QSize expected;
    } cases[] = {
        {rowOf(90, 80, 1), QSize(99, 82)},
        {rowOf(90, 80, 0), QSize(8, 82)},
        {rowOf(90, 80, 2), QSize(190, 82)},
        {rowOf(1, 1, 70), QSize(148, 3)},
        {rowOf(4096, 4096, 70), QSize(286798, 4098)},
        {columnOf(90, 80, 1), QSize(92, 89)},
        {columnOf(90, 80, 0), QSize(92, 8)},
        {columnOf(30, 20, 4), QSize(32, 92)},
        {columnOf(4096, 4096, 70), QSize(4098, 286798)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(describe(c.m));
        EXPECT_EQ(stripWindowSize(c.m), c.expected);
    }
}

TEST(StripGeometry, StoredValuesAreMadeSafe)
{
    const struct
    {
        int xBox, yBox, numBox, winPos;
        StripMetrics expected;
    } cases[] = {
        {90, 80, 1, 1, rowOf(90, 80, 1)},
        {90, 80, 3, 0, columnOf(90, 80, 3)},
        {0, 0, 1, 1, rowOf(1, 1, 1)},
        {-5, INT_MIN, 2, 1, rowOf(1, 1, 2)},
        // Hand-edited tiles above the Options dialog's largest count as that.
        {300, 200, 1, 1, rowOf(300, 200, 1)},
        {301, 201, 1, 1, rowOf(300, 200, 1)},
        {1, 4096, 1, 1, rowOf(1, 200, 1)},
        {100000, 4097, 1, 1, rowOf(300, 200, 1)},
        {INT_MAX, INT_MAX, 70, 0, columnOf(300, 200, 70)},
        {90, 80, -1, 1, rowOf(90, 80, 0)},
        {90, 80, INT_MIN, 1, rowOf(90, 80, 0)},
        {90, 80, 70, 1, rowOf(90, 80, 70)},
        {90, 80, 71, 1, rowOf(90, 80, 70)},
        {90, 80, INT_MAX, 0, columnOf(90, 80, 70)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::Message()
                     << c.xBox << "x" << c.yBox << " n=" << c.numBox << " pos=" << c.winPos);
        const StripMetrics m = stripMetrics(c.xBox, c.yBox, c.numBox, c.winPos);
        EXPECT_EQ(m.w, c.expected.w);
        EXPECT_EQ(m.h, c.expected.h);
        EXPECT_EQ(m.n, c.expected.n);
        EXPECT_EQ(m.row, c.expected.row);
    }
}

TEST(StripGeometry, WindowSizeOfUnsafeStoredValuesStaysPositive)
{
    const struct
    {
        int xBox, yBox, numBox, winPos;
        QSize expected;
    } cases[] = {
        {0, 0, 1, 1, QSize(10, 3)},
        {-90, -80, 1, 0, QSize(3, 10)},
        {100000, 100000, 70, 1, QSize(21078, 202)},
        {INT_MAX, INT_MAX, INT_MAX, 1, QSize(21078, 202)},
        {INT_MAX, INT_MAX, INT_MAX, 0, QSize(302, 14078)},
        {90, 80, -3, 1, QSize(8, 82)},
        {90, 80, -3, 0, QSize(92, 8)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::Message()
                     << c.xBox << "x" << c.yBox << " n=" << c.numBox << " pos=" << c.winPos);
        EXPECT_EQ(stripWindowSize(c.xBox, c.yBox, c.numBox, c.winPos), c.expected);
    }
}

TEST(StripGeometry, StoredPositionsAreHeldWhereSizesCannotOverflowThem)
{
    const struct
    {
        int posX, posY;
        QPoint expected;
    } cases[] = {
        {300, 300, QPoint(300, 300)},
        {-1920, 5000, QPoint(-1920, 5000)},
        {16777215, -16777215, QPoint(16777215, -16777215)},
        {16777216, -16777216, QPoint(16777215, -16777215)},
        {INT_MAX, INT_MIN, QPoint(16777215, -16777215)},
        {INT_MIN, INT_MAX, QPoint(-16777215, 16777215)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.posX << "," << c.posY);
        const QPoint p = stripWindowPosition(c.posX, c.posY);
        EXPECT_EQ(p, c.expected);
        // The far corner of the largest strip is still a number.
        EXPECT_GT(QRect(p, stripWindowSize(INT_MAX, INT_MAX, 70, 1)).right(), p.x());
    }
}

TEST(StripGeometry, TilePositions)
{
    const struct
    {
        StripMetrics m;
        int number;
        int left, top, right, bottom; // inclusive
    } cases[] = {
        {rowOf(90, 80, 3), 1, 8, 1, 97, 80},       {rowOf(90, 80, 3), 2, 99, 1, 188, 80},
        {rowOf(90, 80, 3), 3, 190, 1, 279, 80},    {rowOf(1, 1, 70), 70, 146, 1, 146, 1},
        {columnOf(90, 80, 3), 1, 1, 8, 90, 87},    {columnOf(90, 80, 3), 2, 1, 89, 90, 168},
        {columnOf(90, 80, 3), 3, 1, 170, 90, 249}, {columnOf(30, 20, 70), 70, 1, 1457, 30, 1476},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(describe(c.m) << " tile " << c.number);
        const QRect tile = tileRect(c.m, c.number);
        EXPECT_EQ(tile.left(), c.left);
        EXPECT_EQ(tile.top(), c.top);
        EXPECT_EQ(tile.right(), c.right);
        EXPECT_EQ(tile.bottom(), c.bottom);
    }
}

TEST(StripGeometry, TilesFillTheWindowInsideTheFrame)
{
    // Between the edge strip and the frame, every pixel along the strip is a
    // tile or the one separator before it; the last tile ends one pixel
    // before the window's far edge.
    for (const StripMetrics& m : {rowOf(90, 80, 4), columnOf(90, 80, 4), rowOf(5, 3, 7), columnOf(3, 5, 7)}) {
        SCOPED_TRACE(describe(m));
        const QSize size = stripWindowSize(m);
        for (int i = 1; i <= m.n; ++i) {
            const QRect tile = tileRect(m, i);
            const int start = m.row ? tile.left() : tile.top();
            const int end = m.row ? tile.right() : tile.bottom();
            EXPECT_EQ(start, 8 + (i - 1) * ((m.row ? m.w : m.h) + 1)) << "tile " << i;
            if (i > 1) {
                const QRect before = tileRect(m, i - 1);
                EXPECT_EQ(start, (m.row ? before.right() : before.bottom()) + 2) << "tile " << i;
            }
            if (i == m.n) {
                EXPECT_EQ(end, (m.row ? size.width() : size.height()) - 2);
            }
            // Across the strip: one frame pixel on either side.
            EXPECT_EQ(m.row ? tile.top() : tile.left(), 1);
            EXPECT_EQ(m.row ? tile.bottom() : tile.right(), (m.row ? size.height() : size.width()) - 2);
        }
    }
}

TEST(StripGeometry, HitTestAlongTheStrip)
{
    const struct
    {
        int along;
        int expected;
    } cases[] = {
        {-100, 0}, {0, 0},   {6, 0},   {7, 1},   {8, 1},   {97, 1},  {98, 2},   {99, 2},
        {188, 2},  {189, 3}, {190, 3}, {279, 3}, {280, 3}, {281, 3}, {5000, 3}, {INT_MAX, 3},
    };
    for (bool row : {true, false}) {
        // The tiles are 90 pixels long along the strip either way.
        const StripMetrics m = row ? rowOf(90, 50, 3) : columnOf(50, 90, 3);
        for (const auto& c : cases) {
            for (int across : {-7, 0, 1, 40, 1000}) {
                SCOPED_TRACE(describe(m) << " along " << c.along << " across " << across);
                const QPoint point = row ? QPoint(c.along, across) : QPoint(across, c.along);
                EXPECT_EQ(HitTestBox(m, point), c.expected);
            }
        }
    }
}

TEST(StripGeometry, HitTestFindsEveryPixelOfEveryTile)
{
    for (const StripMetrics& m : {rowOf(90, 80, 3), columnOf(90, 80, 3), rowOf(1, 1, 5), columnOf(2, 3, 4),
                                  rowOf(7, 2, 1), columnOf(2, 7, 1)}) {
        SCOPED_TRACE(describe(m));
        for (int i = 1; i <= m.n; ++i) {
            const QRect tile = tileRect(m, i);
            for (int x = tile.left(); x <= tile.right(); ++x)
                for (int y = tile.top(); y <= tile.bottom(); ++y)
                    ASSERT_EQ(HitTestBox(m, QPoint(x, y)), i) << x << "," << y;
            // The separator before the tile belongs to it as well.
            const QPoint separator =
                m.row ? QPoint(tile.left() - 1, tile.top()) : QPoint(tile.left(), tile.top() - 1);
            EXPECT_EQ(HitTestBox(m, separator), i);
        }
        // The far frame belongs to the last tile.
        const QSize size = stripWindowSize(m);
        const QPoint frame = m.row ? QPoint(size.width() - 1, 1) : QPoint(1, size.height() - 1);
        EXPECT_EQ(HitTestBox(m, frame), m.n);
    }
}

TEST(StripGeometry, HitTestWithoutBoxes)
{
    for (const StripMetrics& m : {rowOf(90, 80, 0), columnOf(90, 80, 0)})
        for (int along : {0, 6, 7, 8, 50, 200}) {
            SCOPED_TRACE(describe(m) << " along " << along);
            EXPECT_EQ(HitTestBox(m, m.row ? QPoint(along, 5) : QPoint(5, along)), 0);
        }
}

TEST(StripGeometry, BandHeightByKindsOfInfoLines)
{
    const struct
    {
        bool status, targetAndMethod, replyTime;
        int expected;
    } cases[] = {
        {false, false, false, 1}, {true, false, false, 11}, {false, false, true, 11}, {true, false, true, 22},
        {false, true, false, 22}, {true, true, false, 32},  {false, true, true, 32},  {true, true, true, 41},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.status << c.targetAndMethod << c.replyTime);
        EXPECT_EQ(bandHeight(c.status, c.targetAndMethod, c.replyTime), c.expected);
    }
}

TEST(StripGeometry, RegionsInsideATile)
{
    // Tiles at different places and of different heights.
    const QRect tiles[] = {tileRect(rowOf(90, 80, 3), 1), tileRect(rowOf(90, 80, 3), 3),
                           tileRect(columnOf(90, 80, 3), 2), tileRect(columnOf(60, 120, 2), 2)};
    for (const QRect& tile : tiles) {
        const int t = tile.top();
        const int h = tile.height();
        SCOPED_TRACE(::testing::Message() << "tile top " << t << " height " << h << " left " << tile.left());
        const struct
        {
            const char* what;
            QRect region;
            int first, last; // rows, inclusive
        } cases[] = {
            {"info line 0", infoLineRect(tile, 0), t - 1, t + 10},
            {"info line 1", infoLineRect(tile, 1), t + 9, t + 20},
            {"info line 2", infoLineRect(tile, 2), t + 19, t + 30},
            {"info line 3", infoLineRect(tile, 3), t + 29, t + 40},
            {"status word", statusWordRect(tile), t + 23, t + h - 1},
            {"picture, band 1", pictureArea(tile, 1), t + 1, t + h - 15},
            {"picture, band 22", pictureArea(tile, 22), t + 22, t + h - 15},
            {"picture, band 41", pictureArea(tile, 41), t + 41, t + h - 15},
            {"built-in icon", builtInIconArea(tile), t + 36, t + h - 15},
            {"name band", nameBandRect(tile), t + h - 13, t + h - 1},
        };
        for (const auto& c : cases) {
            SCOPED_TRACE(c.what);
            EXPECT_EQ(c.region.top(), c.first);
            EXPECT_EQ(c.region.bottom(), c.last);
            EXPECT_EQ(c.region.left(), tile.left());
            EXPECT_EQ(c.region.right(), tile.right());
        }
    }
}

TEST(StripGeometry, RegionsOfATileTooLowForThemAreEmpty)
{
    const QRect tile = tileRect(rowOf(90, 20, 1), 1);
    for (const QRect& region :
         {pictureArea(tile, 41), builtInIconArea(tile), statusWordRect(tileRect(rowOf(90, 10, 1), 1))}) {
        EXPECT_EQ(region.height(), 0);
        EXPECT_TRUE(region.isEmpty());
    }
}

TEST(StripGeometry, FitIcon)
{
    // A 90x25 area: right edge 98, bottom edge 62, both exclusive; centre
    // (53, 49) by integer division.
    const QRect area(8, 37, 90, 25);
    const struct
    {
        const char* what;
        QSize picture;
        QRect area;
        QRect expected;
    } cases[] = {
        {"square fills the lower side", QSize(32, 32), area, QRect(41, 37, 25, 25)},
        {"small square grows", QSize(16, 16), area, QRect(41, 37, 25, 25)},
        {"square in a tall area", QSize(32, 32), QRect(8, 37, 20, 50), QRect(8, 52, 20, 20)},
        {"wide picture, only the height clamped", QSize(48, 32), area, QRect(29, 37, 48, 25)},
        {"bigger both ways", QSize(120, 40), area, QRect(8, 37, 90, 25)},
        {"too wide only", QSize(100, 10), area, QRect(8, 44, 90, 10)},
        {"fits as it is", QSize(20, 10), area, QRect(43, 44, 20, 10)},
        {"odd sizes round down", QSize(21, 11), area, QRect(43, 44, 21, 11)},
        // Right edge 98: (7 + 98) / 2 = 52; 52 - 25 / 2 = 40.
        {"odd area", QSize(32, 32), QRect(7, 0, 91, 25), QRect(40, 0, 25, 25)},
        // Bottom edge 37: (0 + 37) / 2 = 18; 18 - 37 / 2 = 0.
        {"odd height", QSize(40, 40), QRect(0, 0, 50, 37), QRect(7, 0, 37, 37)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(fitIcon(c.picture, c.area), c.expected);
    }
}

} // namespace
