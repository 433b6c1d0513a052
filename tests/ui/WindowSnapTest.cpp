// Sticking to the work area's edges, and the centre of a desktop.
#include "TestSupport.h"

#include "core/NetThread.h"
#include "core/WorkAreaPlacement.h"
#include "ui/KorvalenDlg.h"
#include "ui/WindowSnap.h"

#include <QDir>

#include <gtest/gtest.h>

namespace {

struct SnapCase
{
    const char* what;
    QRect workArea;
    QSize window;
    QPoint dropped;
    QPoint expected;
};

// Right and bottom edges are one past the last pixel of the work area.
int rightOf(const QRect& r)
{
    return r.x() + r.width();
}
int bottomOf(const QRect& r)
{
    return r.y() + r.height();
}

TEST(WindowSnap, WindowsWithinFortyPixelsOfAnEdgeStickToIt)
{
    const QRect desk(0, 0, 1920, 1040);
    const QSize strip(281, 82);
    const int flushRight = 1920 - 281; // 1639
    const int flushBottom = 1040 - 82; // 958
    const SnapCase cases[] = {
        {"far from every edge", desk, strip, {800, 400}, {800, 400}},
        {"30 px left of the right edge", desk, strip, {flushRight - 30, 400}, {flushRight, 400}},
        {"39 px left of the right edge", desk, strip, {flushRight - 39, 400}, {flushRight, 400}},
        {"40 px left of the right edge", desk, strip, {flushRight - 40, 400}, {flushRight - 40, 400}},
        {"30 px over the right edge", desk, strip, {flushRight + 30, 400}, {flushRight, 400}},
        {"40 px over the right edge", desk, strip, {flushRight + 40, 400}, {flushRight + 40, 400}},
        {"flush right already", desk, strip, {flushRight, 400}, {flushRight, 400}},
        {"30 px above the bottom edge", desk, strip, {800, flushBottom - 30}, {800, flushBottom}},
        {"39 px below the bottom edge", desk, strip, {800, flushBottom + 39}, {800, flushBottom}},
        {"40 px above the bottom edge", desk, strip, {800, flushBottom - 40}, {800, flushBottom - 40}},
        {"39 px below the top edge", desk, strip, {800, 39}, {800, 0}},
        {"40 px below the top edge", desk, strip, {800, 40}, {800, 40}},
        {"39 px above the top edge", desk, strip, {800, -39}, {800, 0}},
        {"40 px above the top edge", desk, strip, {800, -40}, {800, -40}},
        {"39 px right of the left edge", desk, strip, {39, 400}, {0, 400}},
        {"40 px right of the left edge", desk, strip, {40, 400}, {40, 400}},
        {"39 px left of the left edge", desk, strip, {-39, 400}, {0, 400}},
        {"near the bottom-right corner",
         desk,
         strip,
         {flushRight - 12, flushBottom + 7},
         {flushRight, flushBottom}},
        {"near the top-left corner", desk, strip, {-5, 22}, {0, 0}},
        // Near both opposite edges at once, the top and the left win.
        {"nearly as wide as the desk", desk, {1900, 82}, {5, 400}, {0, 400}},
        {"nearly as wide, dropped flush right", desk, {1900, 82}, {20, 400}, {0, 400}},
        {"nearly as high, dropped near the bottom", desk, {281, 1010}, {800, 25}, {800, 0}},
        {"nearly as high, dropped flush with the bottom", desk, {281, 1010}, {800, 30}, {800, 0}},
        // Work areas that do not start at the origin.
        {"second screen, near its right edge",
         QRect(1920, 0, 1280, 1024),
         strip,
         {3200 - 281 - 20, 500},
         {3200 - 281, 500}},
        {"second screen, near its left edge",
         QRect(1920, 0, 1280, 1024),
         strip,
         {1920 + 25, 500},
         {1920, 500}},
        {"second screen, 40 px from its left edge",
         QRect(1920, 0, 1280, 1024),
         strip,
         {1960, 500},
         {1960, 500}},
        {"screen left of the primary, near its left edge",
         QRect(-1280, 200, 1280, 800),
         strip,
         {-1270, 500},
         {-1280, 500}},
        {"screen left of the primary, near its bottom",
         QRect(-1280, 200, 1280, 800),
         strip,
         {-900, 1000 - 82 - 10},
         {-900, 1000 - 82}},
        {"screen left of the primary, near its top",
         QRect(-1280, 200, 1280, 800),
         strip,
         {-900, 230},
         {-900, 200}},
        {"taskbar at the top, near the top", QRect(0, 30, 1920, 1050), strip, {800, 65}, {800, 30}},
        {"taskbar at the top, 40 px below the top", QRect(0, 30, 1920, 1050), strip, {800, 70}, {800, 70}},
        {"taskbar at the top, near the bottom",
         QRect(0, 30, 1920, 1050),
         strip,
         {800, 1080 - 82 - 1},
         {800, 1080 - 82}},
    };
    for (const SnapCase& c : cases) {
        SCOPED_TRACE(c.what);
        const QPoint snapped = snapToWorkArea(c.dropped, c.window, c.workArea);
        EXPECT_EQ(snapped.x(), c.expected.x());
        EXPECT_EQ(snapped.y(), c.expected.y());
    }
}

TEST(WindowSnap, CentreInTheWorkAreaHalvesEachSizeOnItsOwn)
{
    const struct
    {
        QSize window;
        QRect area;
        QPoint expected;
    } cases[] = {
        {{280, 82}, {0, 0, 1920, 1080}, {820, 499}},
        // Each half is truncated before the subtraction.
        {{281, 83}, {0, 0, 1366, 768}, {543, 343}},
        {{99, 82}, {0, 0, 800, 600}, {351, 259}},
        // The work area's offset counts: a second screen to the right, a
        // panel at the top.
        {{99, 82}, {1280, 0, 1280, 800}, {1280 + 640 - 49, 400 - 41}},
        {{99, 82}, {0, 30, 1280, 770}, {640 - 49, 30 + 385 - 41}},
        // Wider or taller than the area: at its left or top edge, never
        // before it, so that the edge strip stays on the area.
        {{24 * 91 + 8, 82}, {0, 0, 1280, 800}, {0, 359}},
        {{24 * 91 + 8, 82}, {1280, 24, 1280, 776}, {1280, 24 + 388 - 41}},
        {{92, 24 * 81 + 8}, {0, 30, 1280, 770}, {640 - 46, 30}},
        {{1001, 701}, {0, 0, 1000, 700}, {0, 0}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.window.width() << 'x' << c.window.height() << " in "
                                          << c.area.x() << ',' << c.area.y() << ' ' << c.area.width() << 'x'
                                          << c.area.height());
        const QPoint centred = centredInWorkArea(c.window, c.area);
        EXPECT_EQ(centred.x(), c.expected.x());
        EXPECT_EQ(centred.y(), c.expected.y());
    }
}

class StartableDlg : public CKorvalenDlg
{
public:
    using CKorvalenDlg::CKorvalenDlg;
    using CKorvalenDlg::OnInitDialog;
};

TEST(WindowSnap, TheWindowSnapsOnlyOnceItsInitialisationHasEnded)
{
    test::ScopedEnvironment env;
    test::RecordingMessageBoxes messages;
    QDir().mkpath(env.dataDir());
    test::writeFile(env.dataDir() + QStringLiteral("/MainConfA.ini"),
                    "[main]\nFirstStart=0\nNumBox=2\nPosX=200\nPosY=150\n[Box 0]\nDisabled=1\n"
                    "[Box 1]\nDisabled=1\n");
    {
        StartableDlg window(nullptr, 0);
        ASSERT_FALSE(window.m_bInitialised);
        const QRect area = window.WorkArea();
        const QPoint nearTopLeft = area.topLeft() + QPoint(10, 12);
        window.MoveWindow(nearTopLeft);
        EXPECT_EQ(window.pos(), nearTopLeft);

        window.OnInitDialog();
        ASSERT_TRUE(window.m_bInitialised);
        ASSERT_EQ(window.size(), QSize(2 * 91 + 8, 82));
        window.MoveWindow(nearTopLeft);
        EXPECT_EQ(window.pos(), area.topLeft());

        const int flushRight = rightOf(area) - window.width();
        const int flushBottom = bottomOf(area) - window.height();
        const int middleY = area.y() + area.height() / 2 - window.height() / 2;
        window.MoveWindow(QPoint(flushRight - 30, middleY));
        EXPECT_EQ(window.pos(), QPoint(flushRight, middleY));
        window.MoveWindow(QPoint(flushRight - 40, middleY));
        EXPECT_EQ(window.pos(), QPoint(flushRight - 40, middleY));
        window.MoveWindow(QPoint(flushRight - 12, flushBottom + 9));
        EXPECT_EQ(window.pos(), QPoint(flushRight, flushBottom));
        window.close();
    }
    EXPECT_EQ(CNetThread::RunningCount(), 0);
    EXPECT_TRUE(messages.shown.empty());
}

} // namespace
