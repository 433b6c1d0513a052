// The notification icon: what its mouse messages do to the window, the tray
// menu's rows and commands, and the icon's own forwarding.
#include "TestSupport.h"

#include "core/NetThread.h"
#include "core/Workers.h"
#include "platform/desktop/Messages.h"
#include "platform/files/DataFolder.h"
#include "platform/programs/Shell.h"
#include "ui/KorvalenDlg.h"
#include "ui/SystemTray.h"
#include "ui/TrayMenu.h"
#include "ui/dialogs/AboutDlg.h"
#include "ui/dialogs/QtMessageBox.h"

#include "LoopbackServer.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QGuiApplication>
#include <QMenu>
#include <QMessageBox>
#include <QScreen>
#include <QTest>
#include <QUrl>

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <mutex>
#include <tuple>
#include <vector>

// Readable failure messages for Qt types.
static void PrintTo(const QUrl& url, std::ostream* out)
{
    *out << url.toString().toStdString();
}

namespace {

constexpr int kWaitMs = 10000;
constexpr platform::WPARAM kIcon = 134;

class StartableDlg : public CKorvalenDlg
{
public:
    using CKorvalenDlg::CKorvalenDlg;
    using CKorvalenDlg::OnInitDialog;
};

class RecordingShell : public platform::ShellService
{
public:
    bool startProgram(const QString&, const QStringList&, bool) override
    {
        std::lock_guard guard(m_lock);
        ++m_programs;
        return true;
    }
    bool openUrl(const QUrl& url) override
    {
        std::lock_guard guard(m_lock);
        m_opened.push_back(url);
        return opens;
    }
    bool opens = true; // false: as a desktop with no opener
    std::vector<QUrl> opened()
    {
        std::lock_guard guard(m_lock);
        return m_opened;
    }
    int programs()
    {
        std::lock_guard guard(m_lock);
        return m_programs;
    }

private:
    std::mutex m_lock;
    std::vector<QUrl> m_opened;
    int m_programs = 0;
};

bool inNormalVisibleState(const QWidget& widget)
{
    return widget.isVisible() && !widget.isMinimized();
}

class Tray : public ::testing::Test
{
protected:
    Tray() { platform::setShellService(&shell); }
    ~Tray() override
    {
        window.reset();
        waitForWorkers(kWaitMs);
        platform::setShellService(nullptr);
    }
    void TearDown() override
    {
        if (window) {
            window->TrayMenu()->hide();
            window->close();
        }
        EXPECT_TRUE(test::waitFor([] { return CNetThread::RunningCount() == 0; }, kWaitMs));
        EXPECT_TRUE(waitForWorkers(kWaitMs));
    }

    // Starts a window on a configuration with the given main keys and boxes
    // (three disabled boxes when none are given).
    void open(const QByteArray& main = QByteArray(), const QByteArray& boxes = QByteArray(), int count = 3)
    {
        window.reset();
        QDir().mkpath(env.dataDir());
        QByteArray text =
            "[main]\nFirstStart=0\nNumBox=" + QByteArray::number(count) + "\nPosX=200\nPosY=150\n" + main;
        if (boxes.isEmpty()) {
            for (int i = 0; i < count; ++i)
                text += "[Box " + QByteArray::number(i) + "]\nText=Box " + QByteArray::number(i) +
                        "\nDisabled=1\n";
        } else {
            text += boxes;
        }
        test::writeFile(configPath(), text);
        window = std::make_unique<StartableDlg>(nullptr, 0);
        window->OnInitDialog();
        ASSERT_TRUE(inNormalVisibleState(*window));
    }

    platform::LRESULT notify(platform::LPARAM message) { return window->OnTrayNotification(kIcon, message); }

    void trigger(int command)
    {
        QAction* action = trayAction(window->TrayMenu(), command);
        ASSERT_NE(action, nullptr) << command;
        action->trigger();
        EXPECT_TRUE(waitForWorkers(kWaitMs)); // the log folder and the help open on a worker
    }

    QString configPath() const { return env.dataDir() + QStringLiteral("/MainConfA.ini"); }
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

enum class Start
{
    Hidden,
    Minimised,
    Normal
};

void bringInto(QWidget& widget, Start start)
{
    if (start == Start::Hidden)
        widget.hide();
    else if (start == Start::Minimised)
        widget.showMinimized();
}

TEST_F(Tray, MessagesOutsideTheMouseRangeDoNothing)
{
    open();
    for (const Start start : {Start::Hidden, Start::Minimised, Start::Normal}) {
        for (const platform::LPARAM message :
             {platform::LPARAM(0), platform::LPARAM(0x200), platform::LPARAM(0x206), platform::LPARAM(0x207),
              platform::LPARAM(platform::WM_TRAYNOTIFY), platform::LPARAM(platform::WM_TRAYCALLBACK)}) {
            SCOPED_TRACE(::testing::Message() << int(start) << " 0x" << std::hex << message);
            window->showNormal();
            bringInto(*window, start);
            EXPECT_EQ(notify(message), 1);
            EXPECT_EQ(window->isVisible(), start != Start::Hidden);
            EXPECT_EQ(window->isMinimized(), start == Start::Minimised);
            EXPECT_FALSE(window->TrayMenu()->isVisible());
        }
    }
}

TEST_F(Tray, LeftButtonBringsTheWindowBack)
{
    open();
    const struct
    {
        const char* what;
        platform::LPARAM message;
    } messagesIn[] = {
        {"button down", platform::WM_LBUTTONDOWN},
        {"button up", platform::WM_LBUTTONUP},
        {"double click", platform::WM_LBUTTONDBLCLK},
    };
    for (const auto& m : messagesIn) {
        for (const Start start : {Start::Hidden, Start::Minimised}) {
            SCOPED_TRACE(::testing::Message()
                         << m.what << (start == Start::Hidden ? ", hidden" : ", minimised"));
            bringInto(*window, start);
            ASSERT_FALSE(inNormalVisibleState(*window));
            const platform::LRESULT result = notify(m.message);
            EXPECT_TRUE(inNormalVisibleState(*window));
            if (m.message != platform::WM_LBUTTONDBLCLK) {
                EXPECT_EQ(result, 1);
            }
            EXPECT_FALSE(window->TrayMenu()->isVisible());
        }
    }
}

// A message that no window owns (one said while the strip was minimised, a
// worker's) stays above the strip in every z-order: whatever brings the
// strip forward brings the message forward after it, with the keyboard.
TEST_F(Tray, AnUnownedMessageStaysAboveTheStripBroughtForward)
{
    platform::QtMessageBoxService boxes;
    platform::setMessageBoxService(&boxes);
    for (const QByteArray mode : {"0", "1", "2"}) {
        open("WinBeh=" + mode + "\n");
        const std::function<void()> ways[] = {
            [&] { notify(platform::WM_LBUTTONDOWN); },
            [&] { notify(platform::WM_LBUTTONUP); },
            [&] { notify(platform::WM_LBUTTONDBLCLK); },
            [&] { window->OnActivateInstance(); },
            [&] { window->OnTrayShow(); },
            [&] { window->OnTrayAlwaysOnTop(); },
            [&] { window->OnTrayNormal(); },
            [&] { QTest::mousePress(window.get(), Qt::LeftButton, {}, QPoint(50, 40)); }};
        window->showMinimized();
        platform::postMessageBox(QStringLiteral("minimised"), QStringLiteral("Korvalen"), platform::MB_OK);
        QWidget* message = nullptr;
        ASSERT_TRUE(test::waitFor([&] {
            message = qobject_cast<QMessageBox*>(QApplication::activeWindow());
            return message != nullptr;
        }));
        for (size_t i = 0; i < std::size(ways); ++i) {
            SCOPED_TRACE(::testing::Message() << "WinBeh " << mode.constData() << ", way " << i);
            window->showNormal();
            window->activateWindow();
            ASSERT_TRUE(test::waitFor([&] { return QApplication::activeWindow() == window.get(); }));
            ways[i]();
            ASSERT_TRUE(test::waitFor([&] { return QApplication::activeWindow() == message; }));
        }
        message->close();
    }
    platform::setMessageBoxService(&messages);
}

TEST_F(Tray, RightButtonDownDoesNothing)
{
    open();
    window->hide();
    EXPECT_EQ(notify(platform::WM_RBUTTONDOWN), 1);
    EXPECT_FALSE(window->isVisible());
    EXPECT_FALSE(window->TrayMenu()->isVisible());
}

TEST_F(Tray, RightButtonUpOpensTheMenuUnlessBusy)
{
    open();
    EXPECT_EQ(notify(platform::WM_RBUTTONUP), 1);
    EXPECT_TRUE(window->TrayMenu()->isVisible());
    window->TrayMenu()->hide();

    window->m_bBusy = true;
    EXPECT_EQ(notify(platform::WM_RBUTTONUP), 0);
    EXPECT_FALSE(window->TrayMenu()->isVisible());
    window->m_bBusy = false;

    // A hidden strip has its menu too.
    window->hide();
    EXPECT_EQ(notify(platform::WM_RBUTTONUP), 1);
    EXPECT_TRUE(window->TrayMenu()->isVisible());
    window->TrayMenu()->hide();
}

TEST_F(Tray, RightButtonUpBringsTheOpenAboutBoxForwardInsteadOfTheMenu)
{
    open();
    trigger(ID_TRAY_ABOUT);
    ASSERT_NE(window->m_dlgAbout, nullptr);
    ASSERT_TRUE(window->m_dlgAbout->isVisible());

    window->m_dlgAbout->showMinimized();
    EXPECT_EQ(notify(platform::WM_RBUTTONUP), 0);
    EXPECT_FALSE(window->TrayMenu()->isVisible());
    EXPECT_TRUE(inNormalVisibleState(*window->m_dlgAbout));

    // Closed, it is out of the way.
    window->m_dlgAbout->close();
    EXPECT_EQ(notify(platform::WM_RBUTTONUP), 1);
    EXPECT_TRUE(window->TrayMenu()->isVisible());
    window->TrayMenu()->hide();
}

TEST_F(Tray, TheAboutBoxIsMadeOnceAndGoesWithTheWindow)
{
    open();
    trigger(ID_TRAY_ABOUT);
    const QPointer<QDialog> about = window->m_dlgAbout;
    ASSERT_FALSE(about.isNull());
    EXPECT_TRUE(about->isVisible());
    about->close();
    trigger(ID_TRAY_ABOUT);
    EXPECT_EQ(window->m_dlgAbout, about.data());
    EXPECT_TRUE(about->isVisible());

    window->close();
    EXPECT_FALSE(about->isVisible());
    window.reset();
    EXPECT_TRUE(about.isNull());
}

TEST_F(Tray, MenuRowsAreInOrderWithTheirCommands)
{
    open();
    std::vector<int> rows;
    for (const QAction* action : window->TrayMenu()->actions())
        rows.push_back(action->isSeparator() ? 0 : action->data().toInt());
    const std::vector<int> expected = {32798, 32788, 0,     32803, 32799, 32791, 0,     32842, 32793, 0,
                                       32837, 0,     32814, 32815, 32821, 0,     32801, 0,     32795};
    EXPECT_EQ(rows, expected);
    for (const QAction* action : window->TrayMenu()->actions()) {
        if (!action->isSeparator()) {
            EXPECT_FALSE(action->text().isEmpty()) << action->data().toInt();
        }
    }
}

TEST_F(Tray, OnlyTheRowOfTheZOrderModeIsChecked)
{
    open("WinBeh=2\n");
    const int zRows[] = {ID_TRAY_ALWAYSONTOP, ID_TRAY_NORMAL, ID_TRAY_ALWAYSONBOTTOM};
    // The first mode as read from the file, then modes picked in the menu.
    for (const int picked : {-1, int(ID_TRAY_ALWAYSONTOP), int(ID_TRAY_NORMAL), int(ID_TRAY_ALWAYSONBOTTOM),
                             int(ID_TRAY_ALWAYSONTOP)}) {
        SCOPED_TRACE(picked);
        if (picked > 0)
            trigger(picked);
        const int mode = picked < 0 ? 2 : int(std::find(std::begin(zRows), std::end(zRows), picked) - zRows);
        EXPECT_EQ(window->WinBeh, mode);
        EXPECT_EQ(stored("WinBeh"), mode);
        ASSERT_EQ(notify(platform::WM_RBUTTONUP), 1);
        for (int row = 0; row < 3; ++row)
            EXPECT_EQ(trayAction(window->TrayMenu(), zRows[row])->icon().isNull(), row != mode) << zRows[row];
        window->TrayMenu()->hide();
    }
}

TEST_F(Tray, LogAndHelpOpenTheirPlaces)
{
    open();
    trigger(ID_TRAY_LOG);
    trigger(ID_TRAY_HELP);
    const std::vector<QUrl> expected = {
        QUrl::fromLocalFile(window->m_strLogsDir),
        QUrl::fromLocalFile(window->m_szProgramDir + QStringLiteral("/Help.html"))};
    EXPECT_EQ(shell.opened(), expected);
    EXPECT_EQ(window->m_strLogsDir, env.dataDir() + QStringLiteral("/Logs/"));
    EXPECT_EQ(shell.programs(), 0);
}

// Where nothing can open the help or the log folder, the user is told what
// could not be opened.
TEST_F(Tray, AHelpOrLogFolderThatCannotBeOpenedIsReported)
{
    open();
    shell.opens = false;
    trigger(ID_TRAY_HELP);
    trigger(ID_TRAY_LOG);
    ASSERT_EQ(messages.shown.size(), 2u);
    EXPECT_TRUE(messages.shown[0].text.contains(QStringLiteral("the help")))
        << messages.shown[0].text.toStdString();
    EXPECT_TRUE(messages.shown[0].text.contains(window->m_szProgramDir + QStringLiteral("/Help.html")));
    EXPECT_TRUE(messages.shown[1].text.contains(QStringLiteral("the log folder")));
    EXPECT_TRUE(messages.shown[1].text.contains(window->m_strLogsDir));
    EXPECT_EQ(messages.shown[1].caption, QStringLiteral("Korvalen"));
    EXPECT_EQ(shell.opened().size(), 2u);
}

// The help page beside the program (the build tree), else where
// `cmake --install` puts it.
TEST(ProgramDataFile, BesideTheProgramElseInTheInstalledShareFolder)
{
    test::ScopedEnvironment env;
    const QString bin = env.path() + QStringLiteral("/prefix/bin");
    const QString share = env.path() + QStringLiteral("/prefix/share/korvalen");
    QDir().mkpath(bin);
    QDir().mkpath(share);
    EXPECT_EQ(platform::programDataFile(bin, QStringLiteral("Help.html")),
              bin + QStringLiteral("/Help.html"));
    test::writeFile(share + QStringLiteral("/Help.html"), "<html></html>");
    EXPECT_EQ(platform::programDataFile(bin, QStringLiteral("Help.html")),
              share + QStringLiteral("/Help.html"));
    test::writeFile(bin + QStringLiteral("/Help.html"), "<html></html>");
    EXPECT_EQ(platform::programDataFile(bin, QStringLiteral("Help.html")),
              bin + QStringLiteral("/Help.html"));
}

TEST_F(Tray, ResetPositionCentresTheStripOnItsScreen)
{
    open();
    const QRect area = window->WorkArea();
    window->MoveWindow(area.topLeft());
    ASSERT_EQ(window->pos(), area.topLeft());

    trigger(ID_TRAY_RESETPOSITION);
    // Centred in the work area of the window's screen, its offset included.
    const QPoint centred(area.x() + area.width() / 2 - window->width() / 2,
                         area.y() + area.height() / 2 - window->height() / 2);
    // Far enough from every edge that snapping leaves it.
    ASSERT_GE(centred.x() - area.x(), 40);
    ASSERT_GE(centred.y() - area.y(), 40);
    ASSERT_GE(area.x() + area.width() - (centred.x() + window->width()), 40);
    ASSERT_GE(area.y() + area.height() - (centred.y() + window->height()), 40);
    EXPECT_EQ(window->pos(), centred);
    EXPECT_EQ(window->PosX, centred.x());
    EXPECT_EQ(window->PosY, centred.y());
    EXPECT_EQ(stored("PosX"), centred.x());
    EXPECT_EQ(stored("PosY"), centred.y());
}

// A strip wider than its screen keeps its edge strip, the only handle to drag
// it by, on the work area: 24 boxes are 2192 pixels wide.
TEST_F(Tray, ResetPositionKeepsTheHandleOfAWideStripOnScreen)
{
    open(QByteArray(), QByteArray(), 24);
    const QRect area = window->WorkArea();
    ASSERT_EQ(window->width(), 24 * 91 + 8);
    ASSERT_GT(window->width(), area.width());
    window->move(area.x() - 500, area.y() + 100);

    trigger(ID_TRAY_RESETPOSITION);
    EXPECT_EQ(window->x(), area.x());
    EXPECT_EQ(window->y(), area.y() + area.height() / 2 - window->height() / 2);
    EXPECT_EQ(stored("PosX"), area.x());
    // The edge strip lies on the work area.
    EXPECT_TRUE(area.contains(QRect(window->pos(), QSize(8, window->height()))));
}

TEST_F(Tray, ShowBringsAHiddenOrMinimisedWindowBack)
{
    open();
    for (const Start start : {Start::Hidden, Start::Minimised}) {
        SCOPED_TRACE(int(start));
        bringInto(*window, start);
        trigger(ID_TRAY_SHOW);
        EXPECT_TRUE(inNormalVisibleState(*window));
    }
}

TEST_F(Tray, ExitStoresThePositionAndClosesTheWindow)
{
    const uint16_t closed = test::closedPort();
    QByteArray boxes;
    for (int i = 0; i < 2; ++i)
        boxes += "[Box " + QByteArray::number(i) + "]\nText=Shut " + QByteArray::number(i) +
                 "\nIPAdress=127.0.0.1\nVerifyMetod=2\nPort=" + QByteArray::number(closed) +
                 "\nCheckInterval=1\n";
    boxes += "[Box 2]\nText=Off\nDisabled=1\n";
    for (const bool minimised : {false, true}) {
        SCOPED_TRACE(minimised ? "minimised" : "normal");
        open("", boxes);
        ASSERT_NE(window->m_pBoxes[0]->m_pThread, nullptr);
        const QPoint position(173, 191);
        window->setGeometry(QRect(position, window->size()));
        ASSERT_EQ(window->pos(), position);
        if (minimised) {
            window->showMinimized();
            ASSERT_TRUE(window->isMinimized());
        }
        const QPoint normal = window->normalGeometry().topLeft();
        EXPECT_EQ(normal, position);

        trigger(ID_TRAY_EXIT);
        EXPECT_FALSE(window->isVisible());
        EXPECT_FALSE(window->m_bBusy);
        EXPECT_EQ(stored("PosX"), normal.x());
        EXPECT_EQ(stored("PosY"), normal.y());
        EXPECT_EQ(window->PosX, normal.x());
        EXPECT_EQ(window->PosY, normal.y());
        for (const BoxRecord* box : window->m_pBoxes)
            EXPECT_EQ(box, nullptr);
        EXPECT_TRUE(test::waitFor([] { return CNetThread::RunningCount() == 0; }, kWaitMs));
    }
}

// The mouse messages a receiver got, as (message, wParam, lParam).
class RecordingReceiver
{
public:
    RecordingReceiver()
        : receiver([this](uint32_t message, platform::WPARAM wParam, platform::LPARAM lParam) {
              got.emplace_back(message, wParam, lParam);
              return platform::LRESULT(0);
          })
    {
    }
    std::vector<std::tuple<uint32_t, platform::WPARAM, platform::LPARAM>> got;
    platform::MessageReceiver receiver;
};

TEST(SystemTray, MouseActionsReachTheReceiverAsTrayNotifications)
{
    using Reason = QSystemTrayIcon::ActivationReason;
    const struct
    {
        const char* what;
        Reason reason;
        std::vector<platform::LPARAM> forwarded;
    } cases[] = {
        {"click", QSystemTrayIcon::Trigger, {platform::WM_LBUTTONDOWN, platform::WM_LBUTTONUP}},
        {"double click", QSystemTrayIcon::DoubleClick, {platform::WM_LBUTTONDBLCLK}},
        {"context", QSystemTrayIcon::Context, {platform::WM_RBUTTONUP}},
        {"middle click", QSystemTrayIcon::MiddleClick, {}},
        {"unknown", QSystemTrayIcon::Unknown, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        RecordingReceiver recorder;
        CSystemTray tray;
        tray.SetReceiver(&recorder.receiver);
        tray.Create(nullptr, platform::WM_TRAYCALLBACK, QStringLiteral("Korvalen"), platform::trayIcon(0),
                    kTrayIconId);
        tray.OnActivated(c.reason);
        ASSERT_EQ(recorder.got.size(), c.forwarded.size());
        for (size_t i = 0; i < c.forwarded.size(); ++i) {
            EXPECT_EQ(std::get<0>(recorder.got[i]), platform::WM_TRAYNOTIFY);
            EXPECT_EQ(std::get<1>(recorder.got[i]), kIcon);
            EXPECT_EQ(std::get<2>(recorder.got[i]), c.forwarded[i]);
        }
    }
}

TEST(SystemTray, ToolTipIsCutTo127Characters)
{
    const QString letters = QStringLiteral("abcdefghijklmnopqrstuvwxyz0123456789");
    const struct
    {
        int length;
        int kept;
    } cases[] = {{0, 0}, {17, 17}, {126, 126}, {127, 127}, {128, 127}, {300, 127}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.length);
        QString tip;
        while (tip.size() < c.length)
            tip += letters;
        tip.truncate(c.length);
        CSystemTray tray;
        tray.Create(nullptr, platform::WM_TRAYCALLBACK, tip, platform::trayIcon(0), kTrayIconId);
        EXPECT_EQ(tray.ToolTip(), tip.left(c.kept));
        EXPECT_EQ(tray.ToolTip().size(), c.kept);
    }
}

TEST(SystemTray, RemovingTheIconTwiceSucceedsBothTimes)
{
    CSystemTray tray;
    tray.Create(nullptr, platform::WM_TRAYCALLBACK, QStringLiteral("Korvalen"), platform::trayIcon(0),
                kTrayIconId);
    EXPECT_TRUE(tray.RemoveIcon());
    EXPECT_TRUE(tray.RemoveIcon());
    EXPECT_FALSE(tray.IsVisible());
    EXPECT_FALSE(tray.ShowBalloon(QStringLiteral("text"), QStringLiteral("title"), NIIF_INFO, 5));
}

TEST_F(Tray, TheWindowsIconCarriesTheProgramAndItsSecondLine)
{
    open();
    EXPECT_EQ(window->m_SystemTray.ToolTip(), QStringLiteral("Korvalen\nTamsorin"));
    // Its notifications reach the window: a click brings the strip back.
    window->hide();
    window->m_SystemTray.OnActivated(QSystemTrayIcon::Trigger);
    EXPECT_TRUE(inNormalVisibleState(*window));
    window->m_SystemTray.OnActivated(QSystemTrayIcon::Context);
    EXPECT_TRUE(window->TrayMenu()->isVisible());
    window->TrayMenu()->hide();
}

} // namespace
