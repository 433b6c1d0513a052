// The custom applications dialog and its add/edit dialog: the rows in
// "Main.ini", what each button does to them and which buttons are on.
#include "ui/dialogs/CustomMenu.h"

#include "DialogTestSupport.h"
#include "core/CustomApps.h"
#include "ui/dialogs/AEApp.h"
#include "ui/dialogs/ListCtrlEx.h"
#include "ui/dialogs/UnsavedSettings.h"

#include <QCoreApplication>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

namespace {

using test::control;

QPushButton* button(const QWidget* dialog, const char* name)
{
    return control<QPushButton>(dialog, name);
}

// Fills the add/edit dialog from one title and OKs it.
std::function<void(CAEApp*)> typeAndOk(const QString& title)
{
    return [title](CAEApp* app) {
        control<QLineEdit>(app, "editTitle")->setText(title);
        control<QLineEdit>(app, "editPath")->setText(QStringLiteral("/opt/") + title);
        control<QLineEdit>(app, "editParameters")->setText(QStringLiteral("%ip ") + title);
        button(app, "buttonOK")->click();
    };
}

QByteArray rowsFile(int sections, int nrows)
{
    QByteArray text = "[Main]\nnrows=" + QByteArray::number(nrows) + "\n";
    for (int i = 0; i < sections; ++i)
        text += QStringLiteral("[Row %1]\n标题=A%1\n应用程序=/opt/A%1\n参数=%ip A%1\n").arg(i).toUtf8();
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
    // The titles, the selected one in brackets; a row whose program or
    // parameters do not go with its title shows all three columns.
    QString rows() const
    {
        QStringList out;
        for (int i = 0; i < list->GetItemCount(); ++i) {
            const QString title = list->GetItemText(i, 0);
            QString row = list->GetItemText(i, 1) == QStringLiteral("/opt/") + title &&
                                  list->GetItemText(i, 2) == QStringLiteral("%ip ") + title
                              ? title
                              : title + u'|' + list->GetItemText(i, 1) + u'|' + list->GetItemText(i, 2);
            out << (list->topLevelItem(i)->isSelected() ? u'[' + row + u']' : row);
        }
        return out.join(u' ');
    }
    // Add, Edit, Delete, Up, dowN as letters where enabled, "-" where not.
    QString buttons() const
    {
        QString out;
        for (const auto& [name, letter] : {std::pair{"buttonAdd", u'A'},
                                           {"buttonEdit", u'E'},
                                           {"buttonDelete", u'D'},
                                           {"buttonMoveUp", u'U'},
                                           {"buttonMoveDown", u'N'}})
            out += button(&dialog, name)->isEnabled() ? letter : u'-';
        return out;
    }

    test::ScopedEnvironment env;
    test::RecordingMessageBoxes boxes;
    QString path = env.path() + QStringLiteral("/Main.ini");
    CCustomMenu dialog;
    CListCtrlEx* list = dialog.m_listApps;
};

TEST_F(CustomMenu, EachButtonChangesTheRowsTheSelectionAndTheButtons)
{
    open(QByteArray());
    EXPECT_EQ(buttons().toStdString(), "A----");
    open(rowsFile(3, 3));
    auto click = [this](const char* name) { return [this, name] { button(&dialog, name)->click(); }; };
    auto answered = [this](const char* name, std::function<void(CAEApp*)> answer) {
        return [this, name, answer] {
            test::whenOpened<CAEApp>(&dialog, answer);
            button(&dialog, name)->click();
        };
    };
    auto selectThen = [this](int row, const char* name) {
        return [this, row, name] {
            list->clearSelection();
            list->topLevelItem(row)->setSelected(true);
            button(&dialog, name)->click();
        };
    };
    const struct
    {
        const char* what;
        std::function<void()> act;
        const char* rows;
        const char* buttons;
    } steps[] = {
        {"down", click("buttonMoveDown"), "A1 [A0] A2", "AEDUN"},
        {"down to the end", click("buttonMoveDown"), "A1 A2 [A0]", "AEDU-"},
        {"the last row stays", click("buttonMoveDown"), "A1 A2 [A0]", "AEDU-"},
        {"up", click("buttonMoveUp"), "A1 [A0] A2", "AEDUN"},
        {"the first row stays", selectThen(0, "buttonMoveUp"), "[A1] A0 A2", "AED-N"},
        {"edit", answered("buttonEdit", typeAndOk(QStringLiteral("E7"))), "[E7] A0 A2", "AED-N"},
        {"edit cancelled",
         answered("buttonEdit",
                  [](CAEApp* app) {
                      EXPECT_EQ(control<QLineEdit>(app, "editPath")->text(), QStringLiteral("/opt/E7"));
                      control<QLineEdit>(app, "editTitle")->setText(QStringLiteral("Lost"));
                      button(app, "buttonCancel")->click();
                  }),
         "[E7] A0 A2", "AED-N"},
        {"delete the middle", selectThen(1, "buttonDelete"), "[E7] A2", "AED-N"},
        {"add", answered("buttonAdd", typeAndOk(QStringLiteral("N3"))), "E7 A2 [N3]", "AEDU-"},
        {"add cancelled", answered("buttonAdd", [](CAEApp* app) { button(app, "buttonCancel")->click(); }),
         "E7 A2 [N3]", "AEDU-"},
        {"delete the first", selectThen(0, "buttonDelete"), "[A2] N3", "AED-N"},
        {"delete", click("buttonDelete"), "[N3]", "AED--"},
        {"delete the only row", click("buttonDelete"), "", "A----"},
    };
    for (const auto& s : steps) {
        SCOPED_TRACE(s.what);
        s.act();
        EXPECT_EQ(rows().toStdString(), s.rows);
        EXPECT_EQ(buttons().toStdString(), s.buttons);
    }
    EXPECT_TRUE(boxes.shown.empty());

    // Seven rows at most: the seventh turns Add off, a deletion on again.
    for (int i = 1; i <= 7; ++i) {
        answered("buttonAdd", typeAndOk(QStringLiteral("R%1").arg(i)))();
        EXPECT_EQ(button(&dialog, "buttonAdd")->isEnabled(), i < 7) << i;
    }
    dialog.OnBnClickedAdd();
    EXPECT_EQ(list->GetItemCount(), 7);
    click("buttonDelete")();
    EXPECT_TRUE(button(&dialog, "buttonAdd")->isEnabled());

    // Without a selected row the buttons say so and change nothing.
    list->clearSelection();
    EXPECT_EQ(buttons(), QStringLiteral("A----"));
    for (auto handler : {&CCustomMenu::OnBnClickedEdit, &CCustomMenu::OnBnClickedDelete,
                         &CCustomMenu::OnBnClickedMoveUp, &CCustomMenu::OnBnClickedMoveDown})
        (dialog.*handler)();
    EXPECT_EQ(boxes.shown.size(), 4u);
    EXPECT_EQ(boxes.shown.back().text, QStringLiteral("Please select row."));
    EXPECT_EQ(list->GetItemCount(), 6);
}

TEST_F(CustomMenu, OkWritesEveryRowForTheBoxMenuAndCancelWritesNothing)
{
    // Seven of nine rows are shown, the first selected; there is no room
    // to add one.
    const QByteArray original = rowsFile(9, 9) + "[Other]\nKeep=1\n";
    open(original);
    test::saveDialogPicture(&dialog, QStringLiteral("custom-menu"));
    EXPECT_EQ(rows().toStdString(), "[A0] A1 A2 A3 A4 A5 A6");
    EXPECT_EQ(buttons().toStdString(), "-ED-N");
    EXPECT_EQ(list->headerItem()->text(1), QStringLiteral("应用程序"));
    button(&dialog, "buttonMoveDown")->click();
    button(&dialog, "buttonDelete")->click();
    button(&dialog, "buttonCancel")->click();
    EXPECT_EQ(test::readFile(path), original);

    open(QByteArray());
    button(&dialog, "buttonDelete")->click(); // A0
    test::whenOpened<CAEApp>(&dialog, typeAndOk(QStringLiteral("网页 ;$(x)")));
    button(&dialog, "buttonEdit")->click(); // A1
    button(&dialog, "buttonOK")->click();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);

    CustomAppArray apps;
    ASSERT_EQ(readCustomApps(dialog.m_iniMain, apps), 6u);
    EXPECT_EQ(apps[0].m_strParams, QStringLiteral("%ip 网页 ;$(x)"));
    EXPECT_EQ(apps[5].m_strTitle, QStringLiteral("A6"));
    // Sections beyond the count stay as they were, and so does the rest.
    EXPECT_EQ(test::keysInOrder(path).mid(0, 4),
              (QStringList{"Main/nrows", "Row 0/标题", "Row 0/应用程序", "Row 0/参数"}));
    for (const char* key : {"Row 6/标题", "Row 8/参数", "Other/Keep"})
        EXPECT_TRUE(test::keysInOrder(path).contains(QString::fromUtf8(key))) << key;
    EXPECT_EQ(dialog.m_iniMain.GetString(QStringLiteral("Row 6"), QStringLiteral("标题"), QString()),
              QStringLiteral("A6"));
}

TEST_F(CustomMenu, OkThatCannotStoreTheRowsSaysSoAndKeepsThemOpen)
{
    path = env.path() + QStringLiteral("/missing/Main.ini");
    open(QByteArray());
    test::whenOpened<CAEApp>(&dialog, typeAndOk(QStringLiteral("Web")));
    button(&dialog, "buttonAdd")->click();
    button(&dialog, "buttonOK")->click();
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].text, unsavedSettingsText(path));
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_EQ(rows().toStdString(), "[Web]");
}

TEST_F(CustomMenu, TwoInstancesSavingAtOnceEachLeaveAWholeListAndLoseNothing)
{
    test::writeFile(path, "[Other]\nKeep=1\n");
    std::vector<std::unique_ptr<QProcess>> children;
    auto start = [&](const char* program, const QStringList& arguments) {
        children.push_back(std::make_unique<QProcess>());
        children.back()->start(QString::fromUtf8(program), QStringList{path} + arguments);
    };
    start(CUSTOM_APPS_WRITER_CHILD, {"A", "7", "150"});
    start(CUSTOM_APPS_WRITER_CHILD, {"B", "4", "150"});
    // A third process writes keys of its own meanwhile.
    start(INI_WRITER_CHILD, {"Other", "k", "100"});

    // Whenever another instance reads the file, it finds one instance's list,
    // whole: never rows of one under the count of the other.
    const QString snapshot = env.path() + QStringLiteral("/snapshot.ini");
    CIniFile ini;
    ini.SetFileName(snapshot);
    auto wholeList = [&] {
        test::writeFile(snapshot, test::readFile(path));
        const QList<CustomAppRecord> rows = readCustomAppRows(ini);
        const QString tag = rows.size() == 7 ? QStringLiteral("A") : QStringLiteral("B");
        bool whole = rows.size() == 7 || rows.size() == 4 || rows.isEmpty();
        for (qsizetype i = 0; i < rows.size(); ++i)
            whole = whole && rows[i].m_strTitle == tag + QString::number(i) &&
                    rows[i].m_strPath == QStringLiteral("/opt/") + tag;
        EXPECT_TRUE(whole) << test::readFile(snapshot).toStdString();
        return whole;
    };
    auto running = [&] {
        return std::any_of(children.begin(), children.end(),
                           [](const auto& child) { return child->state() != QProcess::NotRunning; });
    };
    while (running() && wholeList())
        QCoreApplication::processEvents();
    for (auto& child : children) {
        if (child->state() != QProcess::NotRunning) {
            ASSERT_TRUE(child->waitForFinished(60000));
        }
        EXPECT_EQ(child->exitCode(), 0);
    }
    EXPECT_TRUE(wholeList());
    ini.SetFileName(path);
    EXPECT_EQ(ini.GetString(QStringLiteral("Row 6"), QStringLiteral("标题"), QString()),
              QStringLiteral("A6"));
    for (const char* key : {"Keep", "k0", "k99"})
        EXPECT_FALSE(ini.GetString(QStringLiteral("Other"), QString::fromUtf8(key), QString()).isEmpty())
            << key;
}

TEST(AEApp, TextsStopWhereReadingWouldCutThemAndTheTitleWhereItsBoxEnds)
{
    test::FakePicker picker;
    CAEApp app;
    app.m_strPath = QStringLiteral("/usr/bin/firefox");
    app.m_strParameters = QStringLiteral("http://%ip/");
    app.OnInitDialog();
    app.show();
    QLineEdit* title = control<QLineEdit>(&app, "editTitle");
    QTest::keyClicks(title, QString(300, u'W'));
    test::saveDialogPicture(&app, QStringLiteral("custom-app-add-edit"));
    EXPECT_LE(title->fontMetrics().horizontalAdvance(title->text()), title->contentsRect().width());
    QTest::keyClicks(control<QLineEdit>(&app, "editParameters"), QString(300, u'x'));
    // A picked program replaces the path; one too long to keep is refused.
    for (const QString& pick : {QStringLiteral("/opt/tools/probe"), u'/' + QString(300, u'p')}) {
        picker.pick = pick;
        button(&app, "buttonBrowse")->click();
    }
    button(&app, "buttonOK")->click();
    EXPECT_GT(app.m_strTitle.size(), 3);
    EXPECT_EQ(app.m_strPath, QStringLiteral("/opt/tools/probe"));
    EXPECT_EQ(app.m_strParameters.size(), 255);
}

} // namespace
