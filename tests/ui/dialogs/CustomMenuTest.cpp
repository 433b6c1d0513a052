// The custom applications dialog, its add/edit dialog and its list: the rows
// in "Main.ini", what each button does to them and which buttons are on.
#include "ui/dialogs/CustomMenu.h"

#include "TestSupport.h"
#include "core/CustomApps.h"
#include "platform/Dialogs.h"
#include "ui/dialogs/AEApp.h"
#include "ui/dialogs/ListCtrlEx.h"

#include <QCoreApplication>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>

// Readable failure messages for Qt strings.
static void PrintTo(const QString& text, std::ostream* out)
{
    *out << '"' << text.toStdString() << '"';
}

namespace {

QPushButton* button(QWidget* dialog, const char* name)
{
    auto* found = dialog->findChild<QPushButton*>(QString::fromUtf8(name));
    EXPECT_NE(found, nullptr) << name;
    return found;
}

QLineEdit* edit(QWidget* dialog, const char* name)
{
    auto* found = dialog->findChild<QLineEdit*>(QString::fromUtf8(name));
    EXPECT_NE(found, nullptr) << name;
    return found;
}

// Answers the add/edit dialog that `owner` opens next.
void whenAppOpened(QWidget* owner, std::function<void(CAEApp*)> answer)
{
    QTimer::singleShot(0, owner, [owner, answer] {
        ASSERT_TRUE(test::waitFor([owner] {
            auto* app = owner->findChild<CAEApp*>();
            return app && app->isVisible();
        }));
        answer(owner->findChild<CAEApp*>());
    });
}

// Fills the add/edit dialog with a title and OKs it.
std::function<void(CAEApp*)> typeAndOk(const QString& title)
{
    return [title](CAEApp* app) {
        edit(app, "editTitle")->setText(title);
        edit(app, "editPath")->setText(QStringLiteral("/opt/") + title);
        edit(app, "editParameters")->setText(QStringLiteral("%ip ") + title);
        button(app, "buttonOK")->click();
    };
}

QByteArray rowsFile(int count, int nrows)
{
    QByteArray text = "[Main]\nnrows=" + QByteArray::number(nrows) + "\n";
    for (int i = 0; i < count; ++i)
        text += QStringLiteral("[Row %1]\n标题=App%1\n应用程序=/opt/app%1\n参数=%ip %1\n").arg(i).toUtf8();
    return text;
}

class CustomMenu : public ::testing::Test
{
protected:
    void open(const QByteArray& file)
    {
        if (!file.isNull())
            test::writeFile(path, file);
        dialog.m_strMainIniPath = path;
        ASSERT_TRUE(dialog.OnInitDialog());
        dialog.show();
    }
    // The titles of the rows, each "title|program|parameters" where the
    // other columns do not follow the title's pattern.
    QStringList rows() const
    {
        QStringList out;
        for (int i = 0; i < dialog.m_listApps->GetItemCount(); ++i) {
            const QString title = dialog.m_listApps->GetItemText(i, 0);
            const bool matching = dialog.m_listApps->GetItemText(i, 2).endsWith(title.mid(3)) &&
                                  dialog.m_listApps->GetItemText(i, 1).endsWith(title.mid(3));
            out << (matching ? title
                             : title + u'|' + dialog.m_listApps->GetItemText(i, 1) + u'|' +
                                   dialog.m_listApps->GetItemText(i, 2));
        }
        return out;
    }
    int selected() const
    {
        const auto items = dialog.m_listApps->selectedItems();
        return items.isEmpty() ? -1 : dialog.m_listApps->indexOfTopLevelItem(items.front());
    }
    // Add, Edit, Delete, Up, dowN as letters where enabled, "-" where not.
    QString buttons()
    {
        QString out;
        const std::pair<const char*, QChar> all[] = {{"buttonAdd", u'A'},
                                                     {"buttonEdit", u'E'},
                                                     {"buttonDelete", u'D'},
                                                     {"buttonMoveUp", u'U'},
                                                     {"buttonMoveDown", u'N'}};
        for (const auto& [name, letter] : all)
            out += button(&dialog, name)->isEnabled() ? letter : u'-';
        return out;
    }

    test::ScopedEnvironment env;
    test::RecordingMessageBoxes boxes;
    QString path = env.path() + QStringLiteral("/Main.ini");
    CCustomMenu dialog;
};

TEST_F(CustomMenu, OpeningListsUpToSevenRowsAndSelectsTheFirst)
{
    const struct
    {
        const char* what;
        QByteArray file;
        int rows;
        const char* buttons;
    } cases[] = {
        {"nrows 9", rowsFile(9, 9), 7, "-ED-N"}, {"nrows 3", rowsFile(5, 3), 3, "AED-N"},
        {"one row", rowsFile(1, 1), 1, "AED--"}, {"nrows 0", rowsFile(2, 0), 0, "A----"},
        {"no file", QByteArray(), 0, "A----"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        QFile::remove(path);
        open(c.file);
        EXPECT_EQ(dialog.m_listApps->GetItemCount(), c.rows);
        EXPECT_EQ(selected(), c.rows > 0 ? 0 : -1);
        EXPECT_EQ(buttons(), QString::fromUtf8(c.buttons));
    }
    EXPECT_EQ(dialog.m_listApps->headerItem()->text(0), QStringLiteral("标题"));
    EXPECT_EQ(dialog.m_listApps->headerItem()->text(1), QStringLiteral("应用程序"));
    EXPECT_EQ(dialog.m_listApps->headerItem()->text(2), QStringLiteral("参数"));
    open(rowsFile(3, 3));
    test::saveDialogPicture(&dialog, QStringLiteral("custom-menu"));
}

TEST_F(CustomMenu, EachButtonChangesTheRowsTheSelectionAndTheButtons)
{
    open(rowsFile(3, 3));
    auto select = [this](int row) {
        dialog.m_listApps->clearSelection();
        dialog.m_listApps->topLevelItem(row)->setSelected(true);
    };
    auto click = [this](const char* name) { return [this, name] { button(&dialog, name)->click(); }; };
    auto answered = [this](const char* name, std::function<void(CAEApp*)> answer) {
        return [this, name, answer] {
            whenAppOpened(&dialog, answer);
            button(&dialog, name)->click();
        };
    };
    const struct
    {
        const char* what;
        std::function<void()> act;
        QStringList rows;
        int selected;
        const char* buttons;
    } steps[] = {
        {"first row down", click("buttonMoveDown"), {"App1", "App0", "App2"}, 1, "AEDUN"},
        {"down to the end", click("buttonMoveDown"), {"App1", "App2", "App0"}, 2, "AEDU-"},
        {"the last row cannot go down", click("buttonMoveDown"), {"App1", "App2", "App0"}, 2, "AEDU-"},
        {"up", click("buttonMoveUp"), {"App1", "App0", "App2"}, 1, "AEDUN"},
        {"select the first", [&] { select(0); }, {"App1", "App0", "App2"}, 0, "AED-N"},
        {"the first row cannot go up", click("buttonMoveUp"), {"App1", "App0", "App2"}, 0, "AED-N"},
        {"edit",
         answered("buttonEdit", typeAndOk(QStringLiteral("New7"))),
         {"New7", "App0", "App2"},
         0,
         "AED-N"},
        {"edit cancelled",
         answered("buttonEdit",
                  [](CAEApp* app) {
                      EXPECT_EQ(edit(app, "editTitle")->text(), QStringLiteral("New7"));
                      EXPECT_EQ(edit(app, "editPath")->text(), QStringLiteral("/opt/New7"));
                      edit(app, "editTitle")->setText(QStringLiteral("Lost"));
                      button(app, "buttonCancel")->click();
                  }),
         {"New7", "App0", "App2"},
         0,
         "AED-N"},
        {"delete the middle",
         [&] { select(1), button(&dialog, "buttonDelete")->click(); },
         {"New7", "App2"},
         0,
         "AED-N"},
        {"add",
         answered("buttonAdd", typeAndOk(QStringLiteral("Add3"))),
         {"New7", "App2", "Add3"},
         2,
         "AEDU-"},
        {"add cancelled",
         answered("buttonAdd", [](CAEApp* app) { button(app, "buttonCancel")->click(); }),
         {"New7", "App2", "Add3"},
         2,
         "AEDU-"},
        {"delete the first",
         [&] { select(0), button(&dialog, "buttonDelete")->click(); },
         {"App2", "Add3"},
         0,
         "AED-N"},
        {"delete", click("buttonDelete"), {"Add3"}, 0, "AED--"},
        {"delete the only row", click("buttonDelete"), {}, -1, "A----"},
    };
    for (const auto& s : steps) {
        SCOPED_TRACE(s.what);
        s.act();
        EXPECT_EQ(rows(), s.rows);
        EXPECT_EQ(selected(), s.selected);
        EXPECT_EQ(buttons(), QString::fromUtf8(s.buttons));
    }
    EXPECT_TRUE(boxes.shown.empty());

    // Seven rows at most: the seventh turns Add off, a deletion on again.
    for (int i = 1; i <= 7; ++i) {
        whenAppOpened(&dialog, typeAndOk(QStringLiteral("Row%1").arg(i)));
        button(&dialog, "buttonAdd")->click();
        EXPECT_EQ(button(&dialog, "buttonAdd")->isEnabled(), i < 7) << i;
    }
    EXPECT_EQ(dialog.m_listApps->GetItemCount(), 7);
    dialog.OnBnClickedAdd();
    EXPECT_EQ(dialog.m_listApps->GetItemCount(), 7);
    button(&dialog, "buttonDelete")->click();
    EXPECT_TRUE(button(&dialog, "buttonAdd")->isEnabled());
}

TEST_F(CustomMenu, WithoutASelectedRowTheButtonsSaySoAndChangeNothing)
{
    open(rowsFile(3, 3));
    dialog.m_listApps->clearSelection();
    EXPECT_EQ(buttons(), QStringLiteral("A----"));
    for (auto handler : {&CCustomMenu::OnBnClickedEdit, &CCustomMenu::OnBnClickedDelete,
                         &CCustomMenu::OnBnClickedMoveUp, &CCustomMenu::OnBnClickedMoveDown}) {
        boxes.shown.clear();
        (dialog.*handler)();
        ASSERT_EQ(boxes.shown.size(), 1u);
        EXPECT_EQ(boxes.shown[0].text, QStringLiteral("Please select row."));
        EXPECT_EQ(rows(), (QStringList{"App0", "App1", "App2"}));
    }
    EXPECT_EQ(dialog.findChildren<CAEApp*>().size(), 0);
}

TEST_F(CustomMenu, OkWritesEveryRowAndTheBoxMenuReadsThemBackCancelWritesNothing)
{
    const QByteArray original = rowsFile(9, 9) + "[Other]\nKeep=1\n";
    open(original);
    // Cancel after changes leaves the file as it was.
    button(&dialog, "buttonMoveDown")->click();
    button(&dialog, "buttonDelete")->click();
    button(&dialog, "buttonCancel")->click();
    EXPECT_EQ(dialog.result(), QDialog::Rejected);
    EXPECT_EQ(test::readFile(path), original);

    open(QByteArray());
    button(&dialog, "buttonDelete")->click(); // App0
    whenAppOpened(&dialog, typeAndOk(QStringLiteral("网页 ;$(x)")));
    button(&dialog, "buttonEdit")->click(); // App1 becomes the new title
    button(&dialog, "buttonOK")->click();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);

    CIniFile ini;
    ini.SetFileName(path);
    CustomAppArray apps;
    ASSERT_EQ(readCustomApps(ini, apps), 6u);
    EXPECT_EQ(apps[0].m_strTitle, QStringLiteral("网页 ;$(x)"));
    EXPECT_EQ(apps[0].m_strPath, QStringLiteral("/opt/网页 ;$(x)"));
    EXPECT_EQ(apps[0].m_strParams, QStringLiteral("%ip 网页 ;$(x)"));
    for (int i = 1; i < 6; ++i) {
        EXPECT_EQ(apps[size_t(i)].m_strTitle, QStringLiteral("App%1").arg(i + 1));
        EXPECT_EQ(apps[size_t(i)].m_strPath, QStringLiteral("/opt/app%1").arg(i + 1));
        EXPECT_EQ(apps[size_t(i)].m_strParams, QStringLiteral("%ip %1").arg(i + 1));
    }
    // Sections beyond the count stay as they were, and so does the rest.
    const QStringList keys = test::keysInOrder(path);
    for (const char* key : {"Main/nrows", "Row 5/标题", "Row 5/应用程序", "Row 5/参数", "Row 6/标题",
                            "Row 8/参数", "Other/Keep"})
        EXPECT_TRUE(keys.contains(QString::fromUtf8(key))) << key;
    EXPECT_EQ(ini.GetString(QStringLiteral("Row 6"), QStringLiteral("标题"), QString()),
              QStringLiteral("App6"));
    EXPECT_EQ(ini.GetString(QStringLiteral("Row 8"), QStringLiteral("标题"), QString()),
              QStringLiteral("App8"));
}

TEST_F(CustomMenu, TwoInstancesSavingAtOnceEachLeaveAWholeListAndLoseNothing)
{
    test::writeFile(path, "[Other]\nKeep=1\n");
    const struct
    {
        const char* tag;
        int rows;
    } writers[] = {{"A", 7}, {"B", 4}};
    std::vector<std::unique_ptr<QProcess>> children;
    for (const auto& w : writers) {
        children.push_back(std::make_unique<QProcess>());
        children.back()->start(
            QStringLiteral(CUSTOM_APPS_WRITER_CHILD),
            {path, QString::fromUtf8(w.tag), QString::number(w.rows), QStringLiteral("150")});
    }
    // A third process writes keys of its own meanwhile.
    children.push_back(std::make_unique<QProcess>());
    children.back()->start(QStringLiteral(INI_WRITER_CHILD),
                           {path, QStringLiteral("Other"), QStringLiteral("k"), QStringLiteral("100")});
    // Whatever moment another instance reads the file at, it finds one
    // instance's list, whole: never rows of one under the count of the other.
    const QString snapshot = env.path() + QStringLiteral("/snapshot.ini");
    CIniFile ini;
    ini.SetFileName(snapshot);
    auto wholeList = [&] {
        test::writeFile(snapshot, test::readFile(path));
        const QList<CustomAppRecord> rows = readCustomAppRows(ini);
        if (rows.isEmpty())
            return true; // not written yet
        const QString tag = rows.size() == 7 ? QStringLiteral("A") : QStringLiteral("B");
        bool whole = rows.size() == 7 || rows.size() == 4;
        for (qsizetype i = 0; i < rows.size(); ++i)
            whole = whole && rows[i].m_strTitle == tag + QString::number(i) &&
                    rows[i].m_strPath == QStringLiteral("/opt/") + tag &&
                    rows[i].m_strParams == QStringLiteral("%ip ") + tag;
        EXPECT_TRUE(whole) << test::readFile(snapshot).toStdString();
        return whole;
    };
    int looks = 0;
    while (std::any_of(children.begin(), children.end(),
                       [](const auto& child) { return child->state() != QProcess::NotRunning; })) {
        if (!wholeList())
            break;
        ++looks;
        QCoreApplication::processEvents();
    }
    for (auto& child : children) {
        if (child->state() != QProcess::NotRunning) {
            ASSERT_TRUE(child->waitForFinished(60000));
        }
        EXPECT_EQ(child->exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(child->exitCode(), 0);
    }
    EXPECT_GT(looks, 0);
    EXPECT_TRUE(wholeList());

    ini.SetFileName(path);
    for (int i = 4; i < 7; ++i)
        EXPECT_EQ(ini.GetString(QStringLiteral("Row %1").arg(i), QStringLiteral("标题"), QString()),
                  QStringLiteral("A%1").arg(i));
    EXPECT_EQ(ini.GetString(QStringLiteral("Other"), QStringLiteral("Keep"), QString()), QStringLiteral("1"));
    for (int i = 0; i < 100; ++i)
        EXPECT_EQ(ini.GetString(QStringLiteral("Other"), QStringLiteral("k%1").arg(i), QString()),
                  QStringLiteral("v%1").arg(i));
}

TEST(ListCtrlEx, MoveAndCopyTakeEveryColumnAndRefuseWhatCannotBe)
{
    const struct
    {
        bool move;
        int from, to;
        bool done;
        const char* rows;
    } cases[] = {
        {true, 0, 2, true, "BAC"},   {true, 1, 3, true, "ACB"},   {true, 2, 1, true, "ACB"},
        {true, 1, 0, true, "BAC"},   {true, 0, 3, true, "BCA"},   {true, 2, 0, true, "CAB"},
        {true, 2, 4, false, "ABC"},  {true, 1, 1, false, "ABC"},  {true, -1, 0, false, "ABC"},
        {true, 0, -1, false, "ABC"}, {false, 0, 3, true, "ABCA"}, {false, 2, 0, true, "CABC"},
        {false, 1, 2, true, "ABBC"}, {false, 1, 1, false, "ABC"}, {false, 3, 0, false, "ABC"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::Message() << (c.move ? "move " : "copy ") << c.from << " to " << c.to);
        CListCtrlEx list;
        list.setColumnCount(3);
        for (const char* name : {"A", "B", "C"}) {
            const QString text = QString::fromUtf8(name);
            list.addTopLevelItem(new QTreeWidgetItem(QStringList{text, text + u'1', text + u'2'}));
        }
        EXPECT_EQ(c.move ? list.MoveItem(c.from, c.to) : list.CopyRow(c.from, c.to), c.done);
        QString order;
        for (int i = 0; i < list.GetItemCount(); ++i) {
            const QString title = list.GetItemText(i, 0);
            order += title;
            EXPECT_EQ(list.GetItemText(i, 1), title + u'1');
            EXPECT_EQ(list.GetItemText(i, 2), title + u'2');
        }
        EXPECT_EQ(order, QString::fromUtf8(c.rows));
    }
}

// The program picker answers with the path it is given.
class FakePicker : public platform::DialogService
{
public:
    FakePicker() { platform::setDialogService(this); }
    ~FakePicker() override { platform::setDialogService(nullptr); }
    QString getSaveFileName(QWidget*, const QString&, const QString&) override { return QString(); }
    QString getOpenFileName(QWidget*, const QString&) override { return pick; }
    bool getColor(QWidget*, const QColor&, QColor&) override { return false; }
    QString pick;
};

TEST(AEApp, TextsStopWhereReadingWouldCutThemAndTheTitleWhereItsBoxEnds)
{
    FakePicker picker;
    CAEApp app;
    app.m_strTitle = QStringLiteral("Web");
    app.m_strPath = QStringLiteral("/usr/bin/firefox");
    app.m_strParameters = QStringLiteral("http://%ip/");
    ASSERT_TRUE(app.OnInitDialog());
    app.show();
    test::saveDialogPicture(&app, QStringLiteral("custom-app-add-edit"));

    QLineEdit* title = edit(&app, "editTitle");
    QTest::keyClicks(title, QString(300, u'W'));
    EXPECT_GT(title->text().size(), 3);
    EXPECT_LE(title->fontMetrics().horizontalAdvance(title->text()), title->contentsRect().width());
    for (const char* name : {"editPath", "editParameters"}) {
        QLineEdit* field = edit(&app, name);
        field->clear();
        QTest::keyClicks(field, QString(300, u'x'));
        EXPECT_EQ(field->text().size(), 255) << name;
    }

    // A picked program replaces the path; one too long to keep is refused.
    picker.pick = QStringLiteral("/opt/tools/probe");
    button(&app, "buttonBrowse")->click();
    EXPECT_EQ(edit(&app, "editPath")->text(), QStringLiteral("/opt/tools/probe"));
    picker.pick = u'/' + QString(300, u'p');
    button(&app, "buttonBrowse")->click();
    EXPECT_EQ(edit(&app, "editPath")->text(), QStringLiteral("/opt/tools/probe"));

    button(&app, "buttonOK")->click();
    EXPECT_EQ(app.result(), QDialog::Accepted);
    EXPECT_EQ(app.m_strPath, QStringLiteral("/opt/tools/probe"));
    EXPECT_EQ(app.m_strParameters, QString(255, u'x'));
    EXPECT_EQ(app.m_strTitle, title->text());
}

} // namespace
