// The box context menu: the enabling rules, what a right click selects and
// marks, the custom rows, the status information, today's log, and the tray
// rows on a desktop without a notification area.
#include "BoxMenuDriver.h"

#include "core/DailyLog.h"
#include "platform/DateTime.h"
#include "platform/ErrorText.h"
#include "ui/TrayMenu.h"

#include <QDate>
#include <QFileInfo>

#include <algorithm>
#include <set>

static void PrintTo(const QString& text, std::ostream* out)
{
    *out << '"' << text.toStdString() << '"';
}

namespace {

using boxmenu::Fixture;
using V = std::vector<int>;

V sorted(V commands)
{
    std::sort(commands.begin(), commands.end());
    return commands;
}

TEST(BoxMenu, EnablingFollowsTheSelectionTheCountAndTheLayout)
{
    const V none = {ID_BOX_DUPLICATE,  ID_BOX_EDIT,          ID_BOX_DELETE,     ID_BOX_SHARE,
                    ID_BOX_SENDNETMSG, ID_BOX_WEB,           ID_BOX_FTP,        ID_BOX_PING,
                    ID_BOX_TRACEROUTE, ID_BOX_REMOTEDESKTOP, ID_BOX_STATUSINFO, ID_BOX_VIEWLOG,
                    ID_BOX_CUSTOMIZE,  ID_BOX_DISABLE,       ID_BOX_MOVELEFT,   ID_BOX_MOVERIGHT};
    V noneAtLimit = none;
    noneAtLimit.push_back(ID_BOX_ADD);
    const struct
    {
        int selected, count;
        bool row, disabled;
        V greyed;
        const char *left, *right, *toggle;
        int togglePicture;
    } cases[] = {
        {0, 3, true, false, none, "左移 ", "右移 ", "禁用", 256},
        {0, 70, true, false, noneAtLimit, "左移 ", "右移 ", "禁用", 256},
        {1, 3, true, false, {ID_BOX_MOVELEFT}, "左移 ", "右移 ", "禁用", 256},
        {3, 3, true, false, {ID_BOX_MOVERIGHT}, "左移 ", "右移 ", "禁用", 256},
        {2, 3, false, true, {}, "上移", "下移", "启用", 257},
        {1,
         1,
         true,
         false,
         {ID_BOX_DELETE, ID_BOX_MOVELEFT, ID_BOX_MOVERIGHT},
         "左移 ",
         "右移 ",
         "禁用",
         256},
        {5, 69, true, false, {}, "左移 ", "右移 ", "禁用", 256},
        {5, 70, true, false, {ID_BOX_ADD, ID_BOX_DUPLICATE}, "左移 ", "右移 ", "禁用", 256},
        {70, 70, false, false, {ID_BOX_ADD, ID_BOX_DUPLICATE, ID_BOX_MOVERIGHT}, "上移", "下移", "禁用", 256},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "box " << c.selected << " of " << c.count);
        std::unique_ptr<QMenu> menu(
            createBoxMenu(nullptr, BoxMenuState{c.selected, c.count, c.row, c.disabled, {}}));
        EXPECT_EQ(sorted(boxmenu::greyed(menu.get())), sorted(c.greyed));
        EXPECT_EQ(boxMenuAction(menu.get(), ID_BOX_MOVELEFT)->text(), QString::fromUtf8(c.left));
        EXPECT_EQ(boxMenuAction(menu.get(), ID_BOX_MOVERIGHT)->text(), QString::fromUtf8(c.right));
        QAction* toggle = boxMenuAction(menu.get(), ID_BOX_DISABLE);
        EXPECT_EQ(toggle->text(), QString::fromUtf8(c.toggle));
        EXPECT_EQ(toggle->icon().pixmap(16).toImage(),
                  QPixmap(QStringLiteral(":/images/%1.png").arg(c.togglePicture)).toImage());
    }
}

// The rows of a menu and its popups top to bottom, a popup's rows after its
// own, as pairs of the command (0 for a popup, -1 for a separator) and the
// picture shown: the number among `pictures` whose image it is, 0 for none.
void collectRows(QMenu* menu, const std::set<int>& pictures, std::vector<std::pair<int, int>>& rows)
{
    for (QAction* action : menu->actions()) {
        int picture = action->icon().isNull() ? 0 : -1;
        for (int number : pictures)
            if (picture && action->icon().pixmap(16).toImage() ==
                               QPixmap(QStringLiteral(":/images/%1.png").arg(number)).toImage())
                picture = number;
        rows.emplace_back(action->isSeparator() ? -1 : action->menu() ? 0 : action->data().toInt(), picture);
        if (action->menu())
            collectRows(action->menu(), pictures, rows);
    }
}

TEST(Menus, BoxAndTrayRowsAreInOrderWithTheirPictures)
{
    // Tools, custom applications (one in use), move and duplicate, then the
    // box menu's own rows; then the tray menu with the normal z-order marked.
    const std::vector<std::pair<int, int>> expected = {
        {0, 0},       {32807, 171}, {32809, 175}, {32811, 176}, {32819, 179}, {32825, 188}, {32826, 0},
        {32828, 190}, {0, 0},       {32847, 253}, {-1, 0},      {32852, 254}, {-1, 0},      {0, 0},
        {32832, 193}, {32834, 194}, {32838, 201}, {32862, 256}, {32850, 197}, {32839, 215}, {32784, 135},
        {32785, 136}, {32797, 137}, {32798, 141}, {32788, 142}, {-1, 0},      {32803, 0},   {32799, 143},
        {32791, 0},   {-1, 0},      {32842, 218}, {32793, 151}, {-1, 0},      {32837, 197}, {-1, 0},
        {32814, 177}, {32815, 178}, {32821, 184}, {-1, 0},      {32801, 146}, {-1, 0},      {32795, 147}};
    std::set<int> pictures;
    for (const auto& row : expected)
        pictures.insert(row.second);
    std::unique_ptr<QMenu> box(createBoxMenu(nullptr, BoxMenuState{1, 2, true, false, {"SSH"}}));
    std::unique_ptr<QMenu> tray(createTrayMenu(nullptr));
    markZOrder(tray.get(), 1);
    std::vector<std::pair<int, int>> rows;
    collectRows(box.get(), pictures, rows);
    collectRows(tray.get(), pictures, rows);
    EXPECT_EQ(rows, expected);
}

class BoxMenuWindow : public Fixture
{
};

TEST_F(BoxMenuWindow, RightClickSelectsAndFramesTheBoxUntilTheCommandIsDone)
{
    open(3, disabledBoxes(3), "XBox=90\nYBox=80\nWinPos=1\n");
    const struct
    {
        QPoint point;
        int selected;
        int command;
    } cases[] = {
        {{6, 40}, 0, 0},          // the edge strip
        {{7, 40}, 1, 0},          // the first pixel of tile 1
        {{8 + 3 * 91, 40}, 3, 0}, // past the last tile
        {{8 + 91 + 45, 40}, 2, ID_BOX_ADD},
        {{3, 40}, 0, ID_BOX_ADD}, // add at the front
        {{200, 40}, 3, ID_BOX_EDIT},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.point.x());
        bool framed = false;
        // While the box properties dialog is open: its title, and the
        // insertion line (Add) or the frame (Edit) on the strip.
        QString title;
        bool marked = false;
        QTimer dialogOpen;
        QObject::connect(&dialogOpen, &QTimer::timeout, [&] {
            QDialog* dialog = window->m_dlgBoxProperties;
            if (!dialog || !dialog->isVisible())
                return;
            dialogOpen.stop();
            title = dialog->windowTitle();
            marked = window->m_bHighlight && window->m_bAddMode == (c.command == ID_BOX_ADD) &&
                     window->m_nLastCommand == c.command && window->m_nSelectedBox == c.selected;
            dialog->reject();
        });
        dialogOpen.start(5);
        EXPECT_TRUE(boxmenu::rightClick(*window, c.point, [&](QMenu* menu) {
            framed = window->m_bHighlight && !window->m_bAddMode && window->m_nSelectedBox == c.selected;
            EXPECT_EQ(boxMenuAction(menu, ID_BOX_EDIT)->isEnabled(), c.selected != 0);
            return c.command;
        }));
        EXPECT_TRUE(framed);
        EXPECT_EQ(title, QString::fromUtf8(c.command == ID_BOX_ADD    ? "添加检查"
                                           : c.command == ID_BOX_EDIT ? "编辑检查"
                                                                      : ""));
        EXPECT_EQ(marked, c.command != 0);
        EXPECT_EQ(window->m_nLastCommand, c.command);
        EXPECT_EQ(window->m_nSelectedBox, c.selected);
        EXPECT_FALSE(window->m_bHighlight || window->m_bAddMode);
        EXPECT_EQ(window->NumBox, 3); // cancelled
    }
    // An open settings dialog keeps the menu shut.
    QDialog options;
    window->m_dlgOptions = &options;
    options.show();
    EXPECT_FALSE(boxmenu::rightClick(*window, QPoint(50, 40), [](QMenu*) { return 0; }));
    EXPECT_EQ(window->m_nSelectedBox, 3);
}

TEST_F(BoxMenuWindow, CustomRowsAreTheRowsOfMainIni)
{
    const struct
    {
        QByteArray ini;
        int selected;
        QStringList titles;
    } cases[] = {
        {"", 1, {}},
        {"[Main]\nnrows=3\n[Row 0]\n标题=SSH\n[Row 1]\n应用程序=/bin/true\n[Row 2]\n标题=Web & mail\n",
         1,
         {"SSH", "Empty", "Web && mail"}},
        {"[Main]\nnrows=9\n", 0, {"Empty", "Empty", "Empty", "Empty", "Empty", "Empty", "Empty"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.titles.size());
        QDir().mkpath(env.dataDir());
        test::writeFile(env.dataDir() + QStringLiteral("/Main.ini"), c.ini);
        open(2, disabledBoxes(2));
        QStringList titles;
        EXPECT_TRUE(boxmenu::rightClick(*window, QPoint(c.selected ? 50 : 3, 40), [&](QMenu* menu) {
            for (QAction* action : menu->actions()[1]->menu()->actions()) {
                titles << action->text();
                EXPECT_EQ(action->isEnabled(), c.selected != 0 || action->isSeparator());
            }
            return 0;
        }));
        EXPECT_EQ(titles, c.titles + QStringList({"", "设置自定义程序..."}));
    }
}

TEST_F(BoxMenuWindow, StatusInformationNamesTheStatusAndTheErrorOfTheBox)
{
    const QString name = "Name: Web & <b>mail</b>\nStatus: ";
    const struct
    {
        int method, status;
        uint32_t code;
        QString expected;
        uint32_t codeAfter;
    } cases[] = {
        {METHOD_PING, STATUS_DOWN, 11050, name + "Down\nGeneral Failure.", 11050},
        {METHOD_PING, STATUS_CHECKING, 10061, name + "CHECKING\n" + platform::systemMessageText(0), 0},
        {METHOD_URL, STATUS_DISABLED, 12007, name + "DISABLED\n" + platform::systemMessageText(0), 0},
        {METHOD_TCP, STATUS_UP, 0, name + "Open\n" + platform::systemMessageText(0), 0},
        {METHOD_URL, STATUS_IP_ERROR, 12007, name + "URL ERROR\n" + CKorvalenDlg::GetWinInetErrorText(12007),
         12007},
        {METHOD_PING, STATUS_NET_ERROR, 10061, name + "NET ERROR\n" + platform::systemMessageText(10061),
         10061},
        {METHOD_PING, STATUS_CLOSE, 0, name + "\n" + platform::systemMessageText(0), 0},
    };
    open(2, "[Box 0]\nText=Web & <b>mail</b>\nDisabled=1\n[Box 1]\nDisabled=1\n");
    for (const auto& c : cases) {
        SCOPED_TRACE(c.expected.toStdString());
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

TEST_F(BoxMenuWindow, ViewLogOpensTodaysFileOfTheBoxOrSaysWhyNot)
{
    const QDate today = QDate::currentDate();
    const QString day = QStringLiteral("%1-%2-%3/").arg(today.month()).arg(today.day()).arg(today.year());
    const QString none =
        "Log file not found. If you want Logging, you need to enable it and wait for status change.";
    const QString noApp = "There is no application associated with the given file name extension *.";
    const struct
    {
        QByteArray box;
        int logFileType;
        const char* file; // nullptr: none written today
        int answer;
        QString message;
    } cases[] = {
        {"IPv=1\nIPAdress=fe80::1%eth0\n", 0, "fe80--1seth0_Ping.txt", 42, ""},
        {"VerifyMetod=2\nIPAdress=db.example\nPort=5432\n", 0, "db.example_TCP_5432.txt", 42, ""},
        {"VerifyMetod=3\nIPAdress=http://example.org:8080/x\n", 0, "example.org_URL_8080.txt", 42, ""},
        {"VerifyMetod=3\nIPAdress=https://example.org/\n", 1, "example.org_URL_443.csv", 42, ""},
        {"IPAdress=10.0.0.1\n", 1, nullptr, 42, none},
        {"IPAdress=10.0.0.1\n", 0, "10.0.0.1_Ping.txt", platform::SE_ERR_NOASSOC, noApp + "txt."},
        {"IPAdress=10.0.0.1\n", 1, "10.0.0.1_Ping.csv", platform::SE_ERR_NOASSOC, noApp + "csv."},
        {"IPAdress=10.0.0.1\n", 0, "10.0.0.1_Ping.txt", 0, "Could not open log file."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.box.toStdString());
        open(1, "[Box 0]\nDisabled=1\n" + c.box, "LogFileType=" + QByteArray::number(c.logFileType) + "\n");
        const QString path = env.dataDir() + QStringLiteral("/Logs/") + day + QString::fromUtf8(c.file);
        if (c.file) {
            QDir().mkpath(QFileInfo(path).path());
            test::writeFile(path, "line\r\n");
        }
        shell.documentAnswer = c.answer;
        messages.shown.clear();
        boxmenu::choose(*window, 1, ID_BOX_VIEWLOG);
        ASSERT_TRUE(waitForWorkers(boxmenu::kWaitMs));
        EXPECT_EQ(shell.take(),
                  c.file ? std::vector<QStringList>{{"document:" + path}} : std::vector<QStringList>{});
        ASSERT_EQ(messages.shown.size(), c.message.isEmpty() ? 0u : 1u);
        if (!c.message.isEmpty()) {
            EXPECT_EQ(messages.shown[0].text, c.message);
        }
    }
}

TEST_F(BoxMenuWindow, WithoutNotificationAreaTheLastRowHoldsTheTrayMenu)
{
    if (CSystemTray::IsTrayAvailable())
        GTEST_SKIP() << "this test needs a desktop without a notification area";
    open(2, disabledBoxes(2), "WinBeh=2\n");
    QStringList rows;
    EXPECT_TRUE(boxmenu::rightClick(*window, QPoint(50, 40), [&](QMenu* menu) {
        test::saveDialogPicture(menu, QStringLiteral("box-menu"));
        for (QAction* action : menu->actions())
            if (QMenu* popup = action->menu())
                test::saveDialogPicture(popup, QStringLiteral("box-menu-") + action->text());
        QMenu* tray = menu->actions().back()->menu();
        EXPECT_TRUE(tray);
        for (QAction* action : tray ? tray->actions() : QList<QAction*>())
            rows << action->text() + (action->isEnabled() ? "" : " (greyed)") +
                        (action->icon().isNull() ? "" : " *");
        return int(ID_TRAY_EXIT);
    }));
    QStringList trayRows;
    markZOrder(window->TrayMenu(), 2);
    for (QAction* action : window->TrayMenu()->actions())
        trayRows << action->text() + (action->isEnabled() ? "" : " (greyed)") +
                        (action->icon().isNull() ? "" : " *");
    EXPECT_EQ(rows, trayRows);
    // Exit there ends the window as the tray's Exit does.
    EXPECT_FALSE(window->isVisible());
}

} // namespace
