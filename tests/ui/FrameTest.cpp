// The frame of the strip: its edge-strip buttons, dragging, the z-order, the
// activation by a second start and the double click on a tile.
#include "TestSupport.h"

#include "core/NetThread.h"
#include "core/Workers.h"
#include "platform/desktop/Messages.h"
#include "platform/programs/Shell.h"
#include "ui/KorvalenDlg.h"
#include "ui/StripGeometry.h"
#include "ui/WindowSnap.h"

#include <QApplication>
#include <QDir>
#include <QMouseEvent>

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <mutex>
#include <vector>

namespace {

constexpr int kWaitMs = 10000;

class StartableDlg : public CKorvalenDlg
{
public:
    using CKorvalenDlg::CKorvalenDlg;
    using CKorvalenDlg::OnInitDialog;
};

// Programs that would be started, as the program followed by its arguments.
class RecordingShell : public platform::ShellService
{
public:
    bool startProgram(const QString& program, const QStringList& arguments, bool) override
    {
        std::lock_guard guard(m_lock);
        m_started.push_back(QStringList{program} + arguments);
        return true;
    }
    bool openUrl(const QUrl& url) override
    {
        std::lock_guard guard(m_lock);
        m_started.push_back(QStringList{QStringLiteral("open"), url.toString()});
        return true;
    }
    std::vector<QStringList> started()
    {
        std::lock_guard guard(m_lock);
        return m_started;
    }
    void clear()
    {
        std::lock_guard guard(m_lock);
        m_started.clear();
    }

private:
    std::mutex m_lock;
    std::vector<QStringList> m_started;
};

// Three disabled boxes in a row at (200, 150) unless `main` says otherwise.
QByteArray configText(const QByteArray& main, const QByteArray& boxes = QByteArray())
{
    QByteArray text = "[main]\nFirstStart=0\nNumBox=3\nPosX=200\nPosY=150\n" + main;
    if (!boxes.isEmpty())
        return text + boxes;
    for (int i = 0; i < 3; ++i)
        text += "[Box " + QByteArray::number(i) + "]\nText=Box " + QByteArray::number(i) + "\nDisabled=1\n";
    return text;
}

QSize rowSize(int n, int w, int h)
{
    return QSize(n * (w + 1) + 8, h + 2);
}
QSize columnSize(int n, int w, int h)
{
    return QSize(w + 2, n * (h + 1) + 8);
}

bool inNormalVisibleState(const QWidget& widget)
{
    return widget.isVisible() && !widget.isMinimized();
}

void sendMouse(QWidget& widget, QEvent::Type type, QPoint local, QPoint global, Qt::MouseButton button,
               Qt::MouseButtons buttons)
{
    QMouseEvent event(type, QPointF(local), QPointF(global), button, buttons, Qt::NoModifier);
    QCoreApplication::sendEvent(&widget, &event);
}

class Frame : public ::testing::Test
{
protected:
    Frame() { platform::setShellService(&shell); }
    ~Frame() override
    {
        window.reset();
        waitForWorkers(kWaitMs);
        platform::setShellService(nullptr);
    }
    void TearDown() override
    {
        if (window)
            window->close();
        EXPECT_TRUE(test::waitFor([] { return CNetThread::RunningCount() == 0; }, kWaitMs));
        EXPECT_TRUE(waitForWorkers(kWaitMs));
    }

    // Writes the configuration and starts a window on it.
    void open(const QByteArray& text)
    {
        window.reset();
        QDir().mkpath(env.dataDir());
        test::writeFile(configPath(), text);
        window = std::make_unique<StartableDlg>(nullptr, 0);
        window->OnInitDialog();
        ASSERT_TRUE(inNormalVisibleState(*window));
    }

    QString configPath() const { return env.dataDir() + QStringLiteral("/MainConfA.ini"); }

    // A value of section "main" as the file holds it now.
    int stored(const char* key) const
    {
        CIniFile ini;
        ini.SetFileName(configPath());
        return ini.GetInt(QStringLiteral("main"), QString::fromLatin1(key), 0xBAD);
    }

    test::ScopedEnvironment env;
    test::RecordingMessageBoxes messages;
    RecordingShell shell;
    std::unique_ptr<StartableDlg> window;
};

TEST_F(Frame, LayoutButtonTurnsTheStripAndStoresTheLayoutAtOnce)
{
    const struct
    {
        const char* what;
        int winPos;
        QPoint point;
    } cases[] = {
        {"row, top-left of the button", 1, {1, 13}},
        {"row, bottom-right of the button", 1, {6, 18}},
        {"column, top-left of the button", 0, {13, 1}},
        {"column, bottom-right of the button", 0, {17, 6}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        open(configText("XBox=90\nYBox=80\nWinPos=" + QByteArray::number(c.winPos) + "\n"));
        window->OnLButtonDown(c.point);
        const int turned = c.winPos == 0 ? 1 : 0;
        EXPECT_EQ(window->WinPos, turned);
        EXPECT_EQ(window->size(), turned ? rowSize(3, 90, 80) : columnSize(3, 90, 80));
        EXPECT_EQ(stored("WinPos"), turned);
        EXPECT_TRUE(inNormalVisibleState(*window));

        // And back.
        const QPoint back = turned ? QPoint(3, 15) : QPoint(15, 3);
        window->OnLButtonDown(back);
        EXPECT_EQ(window->WinPos, c.winPos);
        EXPECT_EQ(window->size(), c.winPos ? rowSize(3, 90, 80) : columnSize(3, 90, 80));
        EXPECT_EQ(stored("WinPos"), c.winPos);
    }
    EXPECT_TRUE(messages.shown.empty());
}

TEST_F(Frame, OtherSizesTurnToTheirOwnStripSize)
{
    open(configText("XBox=64\nYBox=48\nWinPos=1\n"));
    ASSERT_EQ(window->size(), rowSize(3, 64, 48));
    window->OnLButtonDown(QPoint(3, 15));
    EXPECT_EQ(window->size(), columnSize(3, 64, 48));
    window->OnLButtonDown(QPoint(15, 3));
    EXPECT_EQ(window->size(), rowSize(3, 64, 48));
}

TEST_F(Frame, PointsOffTheButtonsChangeNothing)
{
    const struct
    {
        const char* what;
        int winPos;
        QPoint point;
    } cases[] = {
        {"row, left of the strip", 1, {0, 15}},
        {"row, right of the strip", 1, {7, 15}},
        {"row, above the hide button", 1, {3, 0}},
        {"row, between hide and minimise", 1, {3, 6}},
        {"row, between minimise and layout", 1, {3, 12}},
        {"row, inside the first tile", 1, {50, 40}},
        {"row, inside the last tile", 1, {8 + 2 * 91 + 45, 15}},
        {"column, above the strip", 0, {15, 0}},
        {"column, below the strip", 0, {15, 7}},
        {"column, between minimise and layout", 0, {12, 3}},
        {"column, right of the layout button", 0, {18, 3}},
        {"column, inside the first tile", 0, {40, 50}},
        {"column, inside the last tile", 0, {40, 8 + 2 * 81 + 40}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        open(configText("WinPos=" + QByteArray::number(c.winPos) + "\n"));
        const QByteArray before = test::readFile(configPath());
        const QRect geometry = window->geometry();
        window->OnLButtonDown(c.point);
        EXPECT_EQ(window->WinPos, c.winPos);
        EXPECT_EQ(window->geometry(), geometry);
        EXPECT_TRUE(inNormalVisibleState(*window));
        EXPECT_EQ(test::readFile(configPath()), before);
    }
    EXPECT_TRUE(messages.shown.empty());
}

TEST_F(Frame, HideMinimisesWithoutATrayHostAndSaysSoOncePerRun)
{
    ASSERT_FALSE(CSystemTray::IsTrayAvailable()) << "this test expects a desktop without a notification area";
    for (const auto& [winPos, point] : {std::pair{1, QPoint(1, 1)}, std::pair{0, QPoint(5, 6)}}) {
        SCOPED_TRACE(winPos);
        open(configText("WinPos=" + QByteArray::number(winPos) + "\n"));
        messages.shown.clear();
        window->OnLButtonDown(point);
        EXPECT_TRUE(window->isMinimized());
        ASSERT_EQ(messages.shown.size(), 1u);
        EXPECT_FALSE(messages.shown[0].waited);
        EXPECT_EQ(messages.shown[0].caption, QStringLiteral("Korvalen"));

        window->showNormal();
        ASSERT_TRUE(inNormalVisibleState(*window));
        window->OnLButtonDown(point);
        EXPECT_TRUE(window->isMinimized());
        EXPECT_EQ(messages.shown.size(), 1u);
        EXPECT_EQ(window->WinPos, winPos);
    }
}

TEST_F(Frame, MinimiseButtonMinimises)
{
    for (const auto& [winPos, point] : {std::pair{1, QPoint(3, 7)}, std::pair{1, QPoint(6, 11)},
                                        std::pair{0, QPoint(7, 3)}, std::pair{0, QPoint(11, 6)}}) {
        SCOPED_TRACE(::testing::Message() << winPos << " at " << point.x() << ',' << point.y());
        open(configText("WinPos=" + QByteArray::number(winPos) + "\n"));
        window->OnLButtonDown(point);
        EXPECT_TRUE(window->isMinimized());
        EXPECT_EQ(window->WinPos, winPos);
    }
    // A plain minimise has nothing to say.
    EXPECT_TRUE(messages.shown.empty());
}

TEST_F(Frame, MinimiseWithoutTaskBarButtonGoesTheWayOfHide)
{
    ASSERT_FALSE(CSystemTray::IsTrayAvailable()) << "this test expects a desktop without a notification area";
    open(configText("HideTaskBarButton=1\n"));
    window->OnLButtonDown(QPoint(3, 9));
    EXPECT_FALSE(inNormalVisibleState(*window));
    // Hiding is not possible here, and the user is told why.
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_FALSE(messages.shown[0].waited);
}

// A dialog of the strip that is open keeps hide, minimise and the box menu
// shut; a click on them or on a tile brings the dialog forward, minimised
// or not. The layout still turns.
TEST_F(Frame, ClicksTheStripIgnoresWhileAnEditDialogIsOpenBringItForward)
{
    const struct
    {
        const char* what;
        QPointer<QDialog> CKorvalenDlg::*member;
    } dialogs[] = {
        {"options", &CKorvalenDlg::m_dlgOptions},
        {"box properties", &CKorvalenDlg::m_dlgBoxProperties},
        {"custom menu", &CKorvalenDlg::m_dlgCustomMenu},
    };
    const std::function<void(CKorvalenDlg&)> clicks[] = {
        [](CKorvalenDlg& strip) { strip.OnLButtonDown(QPoint(3, 3)); },
        [](CKorvalenDlg& strip) { strip.OnLButtonDown(QPoint(3, 9)); },
        [](CKorvalenDlg& strip) { strip.OnLButtonDown(QPoint(50, 40)); },
        [](CKorvalenDlg& strip) { strip.OnRButtonDown(0, QPoint(50, 40)); },
        // A second right click soon after the first arrives as a double click.
        [](CKorvalenDlg& strip) {
            sendMouse(strip, QEvent::MouseButtonDblClick, QPoint(50, 40), strip.pos() + QPoint(50, 40),
                      Qt::RightButton, Qt::RightButton);
        },
    };
    for (const auto& d : dialogs) {
        SCOPED_TRACE(d.what);
        open(configText("WinPos=1\n"));
        QDialog dialog;
        const QPointer<QDialog> own = std::exchange((*window).*d.member, &dialog);
        dialog.show();
        for (size_t i = 0; i < std::size(clicks); ++i) {
            SCOPED_TRACE(i);
            dialog.showMinimized();
            window->activateWindow();
            ASSERT_TRUE(test::waitFor([&] { return QApplication::activeWindow() == window.get(); }));
            clicks[i](*window);
            EXPECT_TRUE(inNormalVisibleState(*window));
            EXPECT_TRUE(inNormalVisibleState(dialog));
            EXPECT_TRUE(test::waitFor([&] { return QApplication::activeWindow() == &dialog; }));
        }
        EXPECT_TRUE(messages.shown.empty());
        dialog.showMinimized();
        window->OnLButtonDown(QPoint(3, 15));
        EXPECT_EQ(window->WinPos, 0);
        EXPECT_EQ(stored("WinPos"), 0);
        EXPECT_TRUE(dialog.isMinimized());

        // Once it is closed, the buttons work again.
        dialog.hide();
        window->OnLButtonDown(QPoint(9, 3));
        EXPECT_TRUE(window->isMinimized());
        (*window).*d.member = own; // the window's own goes with it
    }
}

class FrameDrag : public Frame
{
protected:
    void press(QPoint local)
    {
        sendMouse(*window, QEvent::MouseButtonPress, local, window->pos() + local, Qt::LeftButton,
                  Qt::LeftButton);
    }
    void moveTo(QPoint global, Qt::MouseButtons buttons = Qt::LeftButton)
    {
        sendMouse(*window, QEvent::MouseMove, global - window->pos(), global, Qt::NoButton, buttons);
    }
    void release(QPoint global)
    {
        sendMouse(*window, QEvent::MouseButtonRelease, global - window->pos(), global, Qt::LeftButton,
                  Qt::NoButton);
    }
};

TEST_F(FrameDrag, TheStripFollowsTheMouseAndStoresWhereItIsDropped)
{
    open(configText("WinPos=1\n"));
    const QRect area = window->WorkArea();
    const QPoint grip(3, 40);
    press(grip);

    // Without the button held the window stays (with tracking on, such
    // moves reach the window).
    window->setMouseTracking(true);
    const QPoint start = window->pos();
    moveTo(start + QPoint(60, 50) + grip, Qt::NoButton);
    EXPECT_EQ(window->pos(), start);

    const QPoint middle(area.x() + area.width() / 2 - window->width() / 2,
                        area.y() + area.height() / 2 - window->height() / 2);
    moveTo(middle + grip);
    EXPECT_EQ(window->pos(), middle);

    // 30 px short of the right edge: it sticks there.
    const int flushRight = area.x() + area.width() - window->width();
    const QPoint nearRight(flushRight - 30, middle.y());
    moveTo(nearRight + grip);
    EXPECT_EQ(window->pos(), QPoint(flushRight, middle.y()));
    release(nearRight + grip);

    EXPECT_EQ(window->pos(), QPoint(flushRight, middle.y()));
    EXPECT_EQ(window->PosX, flushRight);
    EXPECT_EQ(window->PosY, middle.y());
    EXPECT_EQ(stored("PosX"), flushRight);
    EXPECT_EQ(stored("PosY"), middle.y());

    // After the release moving the mouse moves nothing.
    moveTo(middle + grip);
    EXPECT_EQ(window->pos(), QPoint(flushRight, middle.y()));
}

TEST_F(FrameDrag, PressesOutsideTheGripDragNothing)
{
    for (const auto& [winPos, point] : {std::pair{1, QPoint(50, 40)}, std::pair{1, QPoint(7, 40)},
                                        std::pair{0, QPoint(40, 50)}, std::pair{0, QPoint(3, 40)}}) {
        SCOPED_TRACE(::testing::Message() << winPos << " at " << point.x() << ',' << point.y());
        open(configText("WinPos=" + QByteArray::number(winPos) + "\n"));
        press(point);
        const QPoint start = window->pos();
        moveTo(start + QPoint(120, 90) + point);
        EXPECT_EQ(window->pos(), start);
        release(start + QPoint(120, 90) + point);
        EXPECT_EQ(window->pos(), start);
        EXPECT_EQ(stored("PosX"), 200);
        EXPECT_EQ(stored("PosY"), 150);
    }
}

TEST_F(FrameDrag, ColumnGripIsAlongTheTopEdge)
{
    open(configText("WinPos=0\n"));
    const QRect area = window->WorkArea();
    const QPoint grip(40, 3);
    press(grip);
    const QPoint target(area.x() + 150, area.y() + 120);
    moveTo(target + grip);
    release(target + grip);
    EXPECT_EQ(window->pos(), target);
    EXPECT_EQ(stored("PosX"), target.x());
    EXPECT_EQ(stored("PosY"), target.y());
}

TEST_F(Frame, ZOrderCommandsSetTheWindowFlagsAndStoreTheMode)
{
    open(configText("WinBeh=1\n"));
    const struct
    {
        const char* what;
        void (CKorvalenDlg::*command)();
        int winBeh;
    } steps[] = {
        {"always on top", &CKorvalenDlg::OnTrayAlwaysOnTop, 0},
        {"always on bottom", &CKorvalenDlg::OnTrayAlwaysOnBottom, 2},
        {"normal", &CKorvalenDlg::OnTrayNormal, 1},
        {"always on bottom from normal", &CKorvalenDlg::OnTrayAlwaysOnBottom, 2},
        {"always on top from bottom", &CKorvalenDlg::OnTrayAlwaysOnTop, 0},
        {"normal from top", &CKorvalenDlg::OnTrayNormal, 1},
    };
    const QRect geometry = window->geometry();
    for (const auto& s : steps) {
        SCOPED_TRACE(s.what);
        ((*window).*s.command)();
        EXPECT_EQ(window->WinBeh, s.winBeh);
        const Qt::WindowFlags flags = window->windowFlags();
        EXPECT_EQ(flags.testFlag(Qt::WindowStaysOnTopHint), s.winBeh == 0);
        EXPECT_EQ(flags.testFlag(Qt::WindowStaysOnBottomHint), s.winBeh == 2);
        EXPECT_TRUE(flags.testFlag(Qt::FramelessWindowHint));
        EXPECT_EQ(stored("WinBeh"), s.winBeh);
        EXPECT_TRUE(inNormalVisibleState(*window));
        EXPECT_EQ(window->geometry(), geometry);
    }
}

TEST_F(Frame, ASecondStartBringsTheWindowBack)
{
    open(configText(""));
    for (const char* how : {"hidden", "minimised"}) {
        SCOPED_TRACE(how);
        if (QByteArray(how) == "hidden")
            window->hide();
        else
            window->showMinimized();
        ASSERT_FALSE(inNormalVisibleState(*window));
        platform::SendMessage(window->Handle(), platform::WM_ACTIVATEINSTANCE, 0, 0);
        EXPECT_TRUE(inNormalVisibleState(*window));
    }
}

class FrameDoubleClick : public Frame
{
protected:
    static QByteArray boxes()
    {
        return "[Box 0]\nText=Router\nIPAdress=127.0.0.1\nDisabled=1\n"
               "[Box 1]\nText=Web Box\nIPAdress=10.0.0.1\nDisabled=1\n"
               "[Box 2]\nText=Printer\nIPAdress=127.0.0.3\nDisabled=1\n";
    }
    static QByteArray action(int enabled)
    {
        return "DCOBEFE=" + QByteArray::number(enabled) +
               "\nDCOBEFPath=/opt/tools/open box\nDCOBEFParameters=%name %ip\n";
    }
};

TEST_F(FrameDoubleClick, StartsTheProgramForTheBoxUnderThePoint)
{
    for (const int winPos : {1, 0}) {
        SCOPED_TRACE(winPos);
        open(configText(action(1) + "WinPos=" + QByteArray::number(winPos) + "\n", boxes()));
        const StripMetrics metrics = window->Metrics();
        window->OnLButtonDblClk(tileRect(metrics, 2).center());
        ASSERT_TRUE(waitForWorkers(kWaitMs));
        EXPECT_EQ(window->m_nDblClickBox, 1);
        ASSERT_EQ(shell.started().size(), 1u);
        EXPECT_EQ(shell.started()[0], (QStringList{QStringLiteral("/opt/tools/open box"),
                                                   QStringLiteral("Web-Box"), QStringLiteral("10.0.0.1")}));

        window->OnLButtonDblClk(tileRect(metrics, 3).topLeft());
        ASSERT_TRUE(waitForWorkers(kWaitMs));
        EXPECT_EQ(window->m_nDblClickBox, 2);
        ASSERT_EQ(shell.started().size(), 2u);
        EXPECT_EQ(shell.started()[1], (QStringList{QStringLiteral("/opt/tools/open box"),
                                                   QStringLiteral("Printer"), QStringLiteral("127.0.0.3")}));
        window->close();
        ASSERT_TRUE(test::waitFor([] { return CNetThread::RunningCount() == 0; }, kWaitMs));
        shell.clear();
    }
}

TEST_F(FrameDoubleClick, TheEdgeStripAndADisabledActionStartNothing)
{
    const struct
    {
        const char* what;
        int enabled;
        QPoint point;
    } cases[] = {
        {"edge strip grip", 1, {3, 40}},
        {"edge strip hide button", 1, {3, 3}},
        {"edge strip, its last column", 1, {6, 60}},
        {"action off, first tile", 0, {50, 40}},
        {"action off, second tile", 0, {8 + 91 + 45, 40}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        open(configText(action(c.enabled) + "WinPos=1\n", boxes()));
        window->m_nDblClickBox = 7;
        window->OnLButtonDblClk(c.point);
        ASSERT_TRUE(waitForWorkers(kWaitMs));
        EXPECT_TRUE(shell.started().empty());
        EXPECT_EQ(window->m_nDblClickBox, 7);
        EXPECT_TRUE(inNormalVisibleState(*window));
    }
}

} // namespace
