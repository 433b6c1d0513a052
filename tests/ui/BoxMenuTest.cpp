// The box context menu: its rows and the enabling rules, what a right click
// selects and marks, the custom rows, the status information, today's log and
// the tray rows on a desktop without a notification area.
#include "BoxMenuDriver.h"

#include "core/DailyLog.h"
#include "core/MainSettings.h"
#include "platform/DateTime.h"
#include "platform/ErrorText.h"
#include "ui/TrayMenu.h"

#include <QDate>
#include <QFileInfo>

#include <algorithm>

// Readable failure messages for Qt strings.
static void PrintTo(const QString& text, std::ostream* out)
{
    *out << '"' << text.toStdString() << '"';
}

static void PrintTo(const QImage& image, std::ostream* out)
{
    *out << "image " << image.width() << "x" << image.height() << " key " << image.cacheKey();
}

namespace {

using boxmenu::Fixture;

std::vector<int> sorted(std::vector<int> commands)
{
    std::sort(commands.begin(), commands.end());
    return commands;
}

const std::vector<int> kNeedABox = {
    ID_BOX_DUPLICATE,  ID_BOX_EDIT,          ID_BOX_DELETE,     ID_BOX_SHARE,
    ID_BOX_SENDNETMSG, ID_BOX_WEB,           ID_BOX_FTP,        ID_BOX_PING,
    ID_BOX_TRACEROUTE, ID_BOX_REMOTEDESKTOP, ID_BOX_STATUSINFO, ID_BOX_VIEWLOG,
    ID_BOX_CUSTOMIZE,  ID_BOX_DISABLE,       ID_BOX_MOVELEFT,   ID_BOX_MOVERIGHT};

QImage pictureOf(const QAction* action)
{
    return action->icon().pixmap(16, 16).toImage().convertToFormat(QImage::Format_ARGB32_Premultiplied);
}
QImage resource(int number)
{
    return QImage(QStringLiteral(":/images/%1.png").arg(number))
        .convertToFormat(QImage::Format_ARGB32_Premultiplied);
}

TEST(BoxMenu, EnablingFollowsTheSelectionTheCountAndTheLayout)
{
    std::vector<int> none = kNeedABox;
    std::vector<int> noneAtTheLimit = kNeedABox;
    noneAtTheLimit.push_back(ID_BOX_ADD);
    const struct
    {
        const char* what;
        int selected;
        int count;
        bool row;
        bool disabled;
        std::vector<int> greyed;
        const char* moveLeft;
        const char* moveRight;
        int leftPicture;
        const char* toggle;
        int togglePicture;
    } cases[] = {
        {"no box selected", 0, 3, true, false, none, "左移 ", "右移 ", 193, "禁用", 256},
        {"no box, 70 boxes", 0, 70, true, false, noneAtTheLimit, "左移 ", "右移 ", 193, "禁用", 256},
        {"first of three", 1, 3, true, false, {ID_BOX_MOVELEFT}, "左移 ", "右移 ", 193, "禁用", 256},
        {"last of three", 3, 3, true, false, {ID_BOX_MOVERIGHT}, "左移 ", "右移 ", 193, "禁用", 256},
        {"middle of three, a column", 2, 3, false, false, {}, "上移", "下移", 195, "禁用", 256},
        {"the only box",
         1,
         1,
         true,
         false,
         {ID_BOX_DELETE, ID_BOX_MOVELEFT, ID_BOX_MOVERIGHT},
         "左移 ",
         "右移 ",
         193,
         "禁用",
         256},
        {"a disabled box", 2, 3, true, true, {}, "左移 ", "右移 ", 193, "启用", 257},
        {"69 boxes", 5, 69, true, false, {}, "左移 ", "右移 ", 193, "禁用", 256},
        {"70 boxes", 5, 70, true, false, {ID_BOX_ADD, ID_BOX_DUPLICATE}, "左移 ", "右移 ", 193, "禁用", 256},
        {"the last of 70",
         70,
         70,
         false,
         false,
         {ID_BOX_ADD, ID_BOX_DUPLICATE, ID_BOX_MOVERIGHT},
         "上移",
         "下移",
         195,
         "禁用",
         256},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        BoxMenuState state;
        state.selected = c.selected;
        state.count = c.count;
        state.row = c.row;
        state.selectedDisabled = c.disabled;
        std::unique_ptr<QMenu> menu(createBoxMenu(nullptr, state));
        EXPECT_EQ(sorted(boxmenu::greyed(menu.get())), sorted(c.greyed));
        EXPECT_EQ(boxMenuAction(menu.get(), ID_BOX_MOVELEFT)->text(), QString::fromUtf8(c.moveLeft));
        EXPECT_EQ(boxMenuAction(menu.get(), ID_BOX_MOVERIGHT)->text(), QString::fromUtf8(c.moveRight));
        EXPECT_EQ(pictureOf(boxMenuAction(menu.get(), ID_BOX_MOVELEFT)), resource(c.leftPicture));
        EXPECT_EQ(pictureOf(boxMenuAction(menu.get(), ID_BOX_MOVERIGHT)), resource(c.leftPicture + 1));
        EXPECT_EQ(boxMenuAction(menu.get(), ID_BOX_DISABLE)->text(), QString::fromUtf8(c.toggle));
        EXPECT_EQ(pictureOf(boxMenuAction(menu.get(), ID_BOX_DISABLE)), resource(c.togglePicture));
    }
}

TEST(BoxMenu, RowsCarryTheirPicturesInTheirPlaces)
{
    std::unique_ptr<QMenu> menu(
        createBoxMenu(nullptr, BoxMenuState{1, 2, true, false, {QStringLiteral("a")}}));
    const QList<QAction*> top = menu->actions();
    ASSERT_EQ(top.size(), 9);
    EXPECT_TRUE(top[2]->isSeparator());
    std::vector<int> tools;
    for (QAction* action : top[0]->menu()->actions())
        tools.push_back(action->data().toInt());
    EXPECT_EQ(tools, (std::vector<int>{ID_BOX_SHARE, ID_BOX_SENDNETMSG, ID_BOX_WEB, ID_BOX_FTP, ID_BOX_PING,
                                       ID_BOX_TRACEROUTE, ID_BOX_REMOTEDESKTOP}));
    std::vector<int> lower;
    for (int i = 4; i < 9; ++i)
        lower.push_back(top[i]->data().toInt());
    EXPECT_EQ(lower,
              (std::vector<int>{ID_BOX_VIEWLOG, ID_BOX_STATUSINFO, ID_BOX_ADD, ID_BOX_EDIT, ID_BOX_DELETE}));

    const struct
    {
        int command;
        int picture;
    } pictures[] = {{ID_BOX_SHARE, 171},
                    {ID_BOX_SENDNETMSG, 175},
                    {ID_BOX_WEB, 176},
                    {ID_BOX_FTP, 179},
                    {ID_BOX_PING, 188},
                    {ID_BOX_REMOTEDESKTOP, 190},
                    {kCustomAppCommands[0], 253},
                    {ID_BOX_CUSTOMIZE, 254},
                    {ID_BOX_DUPLICATE, 201},
                    {ID_BOX_VIEWLOG, 197},
                    {ID_BOX_STATUSINFO, 215},
                    {ID_BOX_ADD, 135},
                    {ID_BOX_EDIT, 136},
                    {ID_BOX_DELETE, 137}};
    for (const auto& p : pictures) {
        SCOPED_TRACE(p.command);
        ASSERT_FALSE(resource(p.picture).isNull());
        EXPECT_EQ(pictureOf(boxMenuAction(menu.get(), p.command)), resource(p.picture));
    }
    EXPECT_TRUE(boxMenuAction(menu.get(), ID_BOX_TRACEROUTE)->icon().isNull());
}

TEST(BoxMenu, CustomRowsShowTheRowsInUseGreyedWithoutABox)
{
    const QStringList seven = {"1", "2", "3", "4", "5", "6", "7"};
    const struct
    {
        const char* what;
        int selected;
        QStringList titles;
    } cases[] = {
        {"no rows", 1, {}},
        {"three rows", 1, {QStringLiteral("SSH"), QStringLiteral("Empty"), QStringLiteral("Mail & news")}},
        {"seven rows", 2, seven},
        {"seven rows, no box", 0, seven},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        std::unique_ptr<QMenu> menu(
            createBoxMenu(nullptr, BoxMenuState{c.selected, 3, true, false, c.titles}));
        const QList<QAction*> rows = menu->actions()[1]->menu()->actions();
        ASSERT_EQ(rows.size(), c.titles.size() + 2);
        for (qsizetype k = 0; k < c.titles.size(); ++k) {
            EXPECT_EQ(rows[k]->data().toInt(), kCustomAppCommands[k]);
            // "&" shows as itself, not as a shortcut mark.
            EXPECT_EQ(rows[k]->text(), QString(c.titles[k]).replace(u'&', QStringLiteral("&&")));
            EXPECT_EQ(rows[k]->isEnabled(), c.selected != 0);
        }
        EXPECT_TRUE(rows[c.titles.size()]->isSeparator());
        EXPECT_EQ(rows.back()->data().toInt(), ID_BOX_CUSTOMIZE);
    }
}

class BoxMenuWindow : public Fixture
{
};

TEST_F(BoxMenuWindow, RightClickSelectsAndFramesTheBoxWhileTheMenuIsOpen)
{
    open(3, disabledBoxes(3), "XBox=90\nYBox=80\nWinPos=1\n");
    const struct
    {
        const char* what;
        QPoint point;
        int selected;
    } cases[] = {
        {"the edge strip", {6, 40}, 0},
        {"the first pixel of tile 1", {7, 40}, 1},
        {"tile 2", {8 + 91 + 45, 40}, 2},
        {"past the last tile", {8 + 3 * 91, 40}, 3},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        bool highlight = false;
        bool addMode = true;
        int selected = -1;
        std::vector<int> greyed;
        EXPECT_TRUE(boxmenu::rightClick(*window, c.point, [&](QMenu* menu) {
            highlight = window->m_bHighlight;
            addMode = window->m_bAddMode;
            selected = window->m_nSelectedBox;
            greyed = boxmenu::greyed(menu);
            return 0;
        }));
        EXPECT_TRUE(highlight);
        EXPECT_FALSE(addMode);
        EXPECT_EQ(selected, c.selected);
        EXPECT_EQ(std::count(greyed.begin(), greyed.end(), int(ID_BOX_EDIT)), c.selected == 0 ? 1 : 0);
        EXPECT_EQ(window->m_nSelectedBox, c.selected);
        EXPECT_EQ(window->m_nLastCommand, 0);
        EXPECT_FALSE(window->m_bHighlight);
    }
}

TEST_F(BoxMenuWindow, OpenEditDialogKeepsTheMenuShut)
{
    open(3, disabledBoxes(3));
    auto* options = new QDialog;
    window->m_dlgOptions = options;
    options->show();
    window->m_nSelectedBox = 2;
    EXPECT_FALSE(boxmenu::rightClick(*window, QPoint(50, 40), [](QMenu*) { return 0; }));
    EXPECT_EQ(window->m_nSelectedBox, 2);
    EXPECT_FALSE(window->m_bHighlight);
    delete options;
}

TEST_F(BoxMenuWindow, AddAndEditLeaveTheirCommandAndTheSelectionForTheDialog)
{
    const struct
    {
        const char* what;
        QPoint point;
        int command;
        int selected;
    } cases[] = {
        {"add after box 2", {8 + 91 + 45, 40}, ID_BOX_ADD, 2},
        {"add at the front", {3, 40}, ID_BOX_ADD, 0},
        {"edit box 3", {8 + 2 * 91 + 45, 40}, ID_BOX_EDIT, 3},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        open(3, disabledBoxes(3), "XBox=90\nYBox=80\nWinPos=1\n");
        EXPECT_TRUE(boxmenu::rightClick(*window, c.point, [&](QMenu*) { return c.command; }));
        EXPECT_EQ(window->m_nLastCommand, c.command);
        EXPECT_EQ(window->m_nSelectedBox, c.selected);
        // The marker and the frame go with the command.
        EXPECT_FALSE(window->m_bAddMode);
        EXPECT_FALSE(window->m_bHighlight);
        EXPECT_EQ(window->NumBox, 3);
    }
}

TEST_F(BoxMenuWindow, CustomRowsComeFromMainIni)
{
    QDir().mkpath(env.dataDir());
    test::writeFile(
        env.dataDir() + QStringLiteral("/Main.ini"),
        "[Main]\nnrows=3\n[Row 0]\n标题=SSH\n[Row 1]\n应用程序=/bin/true\n[Row 2]\n标题=Web & mail\n");
    open(2, disabledBoxes(2));
    QStringList titles;
    EXPECT_TRUE(boxmenu::rightClick(*window, QPoint(50, 40), [&](QMenu* menu) {
        for (QAction* action : menu->actions()[1]->menu()->actions())
            titles << action->text();
        return 0;
    }));
    EXPECT_EQ(titles, (QStringList{"SSH", "Empty", "Web && mail", "", "设置自定义程序..."}));
}

TEST_F(BoxMenuWindow, StatusInformationNamesTheStatusAndTheErrorOfTheBox)
{
    const struct
    {
        const char* what;
        int method;
        int status;
        uint32_t code;
        QString expected;
        uint32_t codeAfter;
    } cases[] = {
        {"general failure", METHOD_PING, STATUS_DOWN, 11050,
         "Name: Web & <b>mail</b>\nStatus: Down\nGeneral Failure.", 11050},
        {"checking clears the code", METHOD_PING, STATUS_CHECKING, 10061,
         "Name: Web & <b>mail</b>\nStatus: CHECKING\n" + platform::systemMessageText(0), 0},
        {"disabled clears the code", METHOD_URL, STATUS_DISABLED, 12007,
         "Name: Web & <b>mail</b>\nStatus: DISABLED\n" + platform::systemMessageText(0), 0},
        {"a TCP box that is up", METHOD_TCP, STATUS_UP, 0,
         "Name: Web & <b>mail</b>\nStatus: Open\n" + platform::systemMessageText(0), 0},
        {"a URL box with an internet error", METHOD_URL, STATUS_IP_ERROR, 12007,
         "Name: Web & <b>mail</b>\nStatus: URL ERROR\n" + CKorvalenDlg::GetWinInetErrorText(12007), 12007},
        {"a ping box refused", METHOD_PING, STATUS_NET_ERROR, 10061,
         "Name: Web & <b>mail</b>\nStatus: NET ERROR\n" + platform::systemMessageText(10061), 10061},
        {"close on a ping box has no word", METHOD_PING, STATUS_CLOSE, 0,
         "Name: Web & <b>mail</b>\nStatus: \n" + platform::systemMessageText(0), 0},
    };
    open(2, "[Box 0]\nText=Web & <b>mail</b>\nDisabled=1\n[Box 1]\nDisabled=1\n");
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        messages.shown.clear();
        box(0).VerifyMetod = c.method;
        box(0).m_nStatus = c.status;
        box(0).m_dwLastCode = c.code;
        boxmenu::choose(*window, 1, ID_BOX_STATUSINFO);
        ASSERT_EQ(messages.shown.size(), 1u);
        EXPECT_EQ(messages.shown[0].text, c.expected);
        EXPECT_EQ(messages.shown[0].caption, QStringLiteral("Korvalen"));
        EXPECT_EQ(messages.shown[0].type, platform::MB_OK | platform::MB_ICONINFORMATION);
        EXPECT_EQ(box(0).m_dwLastCode, c.codeAfter);
    }
}

TEST_F(BoxMenuWindow, ViewLogOpensTodaysFileOfTheBox)
{
    const QDate today = QDate::currentDate();
    const QString day = QStringLiteral("%1-%2-%3").arg(today.month()).arg(today.day()).arg(today.year());
    const struct
    {
        const char* what;
        QByteArray box;
        int logFileType;
        QString file;
    } cases[] = {
        {"an IPv6 ping box", "VerifyMetod=1\nIPv=1\nIPAdress=fe80::1%eth0\n", 0, "fe80--1seth0_Ping.txt"},
        {"a TCP box", "VerifyMetod=2\nIPAdress=db.example\nPort=5432\n", 0, "db.example_TCP_5432.txt"},
        {"a URL box with its port", "VerifyMetod=3\nIPAdress=http://example.org:8080/x\n", 0,
         "example.org_URL_8080.txt"},
        {"a URL box by its scheme's port", "VerifyMetod=3\nIPAdress=https://example.org/\n", 1,
         "example.org_URL_443.csv"},
        {"tab-separated", "VerifyMetod=1\nIPAdress=10.0.0.1\n", 1, "10.0.0.1_Ping.csv"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        open(1, "[Box 0]\nDisabled=1\n" + c.box, "LogFileType=" + QByteArray::number(c.logFileType) + "\n");
        const QString path = env.dataDir() + QStringLiteral("/Logs/") + day + u'/' + c.file;
        QDir().mkpath(QFileInfo(path).path());
        test::writeFile(path, "line\r\n");
        shell.clear();
        boxmenu::choose(*window, 1, ID_BOX_VIEWLOG);
        EXPECT_EQ(shell.calls(), (std::vector<QStringList>{{QStringLiteral("document:") + path}}));
        EXPECT_TRUE(messages.shown.empty());
    }
}

TEST_F(BoxMenuWindow, ViewLogSaysWhyNothingOpened)
{
    const QString notFound =
        "Log file not found. If you want Logging, you need to enable it and wait for status change.";
    const struct
    {
        const char* what;
        bool fileExists;
        int logFileType;
        int answer;
        QString message;
    } cases[] = {
        {"no file today", false, 0, 42, notFound},
        {"no application for text", true, 0, platform::SE_ERR_NOASSOC,
         "There is no application associated with the given file name extension *.txt."},
        {"no application for tab-separated", true, 1, platform::SE_ERR_NOASSOC,
         "There is no application associated with the given file name extension *.csv."},
        {"any other failure", true, 0, 0, "Could not open log file."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        open(1, "[Box 0]\nDisabled=1\nIPAdress=10.1.2.3\n",
             "LogFileType=" + QByteArray::number(c.logFileType) + "\n");
        const QString file = dailylog::fileName(
            snapshotOf(box(0)), dailylog::dayFolder(window->m_strLogsDir, platform::localStampNow()),
            c.logFileType);
        QFile::remove(file);
        if (c.fileExists) {
            QDir().mkpath(QFileInfo(file).path());
            test::writeFile(file, "line\r\n");
        }
        shell.documentAnswer = c.answer;
        messages.shown.clear();
        boxmenu::choose(*window, 1, ID_BOX_VIEWLOG);
        ASSERT_EQ(messages.shown.size(), 1u);
        EXPECT_EQ(messages.shown[0].text, c.message);
        EXPECT_EQ(messages.shown[0].type, platform::MB_OK | platform::MB_ICONWARNING);
    }
}

TEST_F(BoxMenuWindow, WithoutNotificationAreaTheLastRowHoldsTheTrayMenu)
{
    if (CSystemTray::IsTrayAvailable())
        GTEST_SKIP() << "this test needs a desktop without a notification area";
    open(2, disabledBoxes(2), "WinBeh=2\n");
    QStringList rows;
    bool optionsLikeTray = false;
    bool bottomMarked = false;
    EXPECT_TRUE(boxmenu::rightClick(*window, QPoint(50, 40), [&](QMenu* menu) {
        test::saveDialogPicture(menu, QStringLiteral("box-menu"));
        QMenu* tray = menu->actions().back()->menu();
        if (!tray)
            return 0;
        for (QAction* action : tray->actions())
            if (!action->isSeparator())
                rows << action->text();
        optionsLikeTray = boxMenuAction(tray, ID_TRAY_OPTIONS)->isEnabled() ==
                          trayAction(window->TrayMenu(), ID_TRAY_OPTIONS)->isEnabled();
        bottomMarked = !boxMenuAction(tray, ID_TRAY_ALWAYSONBOTTOM)->icon().isNull() &&
                       boxMenuAction(tray, ID_TRAY_NORMAL)->icon().isNull();
        return int(ID_TRAY_EXIT);
    }));
    QStringList trayRows;
    for (QAction* action : window->TrayMenu()->actions())
        if (!action->isSeparator())
            trayRows << action->text();
    EXPECT_EQ(rows, trayRows);
    EXPECT_TRUE(optionsLikeTray);
    EXPECT_TRUE(bottomMarked);
    // Exit there ends the window as the tray's Exit does.
    EXPECT_FALSE(window->isVisible());
    EXPECT_EQ(window->m_nLastCommand, int(ID_TRAY_EXIT));
}

TEST(BoxMenu, PicturesOfTheMenuAndItsPopups)
{
    std::unique_ptr<QMenu> menu(createBoxMenu(
        nullptr, BoxMenuState{2, 3, true, true, {QStringLiteral("SSH"), QStringLiteral("Empty")}}));
    int shown = 0;
    for (QAction* action : menu->actions())
        if (QMenu* popup = action->menu()) {
            popup->adjustSize();
            test::saveDialogPicture(popup, QStringLiteral("box-menu-popup-%1").arg(++shown));
        }
    menu->adjustSize();
    test::saveDialogPicture(menu.get(), QStringLiteral("box-menu-row-layout"));
    EXPECT_EQ(shown, 3);
}

} // namespace
