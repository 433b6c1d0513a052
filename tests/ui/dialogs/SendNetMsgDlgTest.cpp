// The network message dialog and its command settings, driven through their
// controls.
#include "ui/dialogs/SendNetMsgDlg.h"

#include "TestSupport.h"
#include "core/NetMessage.h"
#include "platform/Dialogs.h"
#include "platform/Shell.h"
#include "ui/dialogs/SendNetMsgSetting.h"

#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>
#include <vector>

// Readable failure messages for Qt strings.
static void PrintTo(const QString& text, std::ostream* out)
{
    *out << '"' << text.toStdString() << '"';
}

namespace {

class RecordingLauncher : public platform::ShellService
{
public:
    RecordingLauncher() { platform::setShellService(this); }
    ~RecordingLauncher() override { platform::setShellService(nullptr); }
    bool startProgram(const QString& program, const QStringList& arguments, bool) override
    {
        started.push_back(QStringList{program} + arguments);
        return starts;
    }
    bool openUrl(const QUrl&) override { return false; }
    std::vector<QStringList> started;
    bool starts = true;
};

// The program picker: answers with `pick` and records the filter.
class FakePicker : public platform::DialogService
{
public:
    FakePicker() { platform::setDialogService(this); }
    ~FakePicker() override { platform::setDialogService(nullptr); }
    QString getSaveFileName(QWidget*, const QString&, const QString&) override { return QString(); }
    QString getOpenFileName(QWidget*, const QString& filter) override
    {
        filters << filter;
        return pick;
    }
    bool getColor(QWidget*, const QColor&, QColor&) override { return false; }
    QString pick;
    QStringList filters;
};

// A control of the dialog, found by its name.
template <typename T = QPushButton> T* control(QWidget* dialog, const char* name)
{
    T* found = dialog->findChild<T*>(QString::fromUtf8(name));
    EXPECT_NE(found, nullptr) << name;
    return found;
}
QLineEdit* edit(QWidget* dialog, const char* name)
{
    return control<QLineEdit>(dialog, name);
}

// Answers the sub-dialog of type T that `owner` opens next.
template <typename T> void whenOpened(QWidget* owner, std::function<void(T*)> answer)
{
    QTimer::singleShot(0, owner, [owner, answer] {
        ASSERT_TRUE(test::waitFor([owner] {
            T* dialog = owner->findChild<T*>();
            return dialog && dialog->isVisible();
        }));
        answer(owner->findChild<T*>());
    });
}

class SendNetMsg : public ::testing::Test
{
protected:
    void open(const QString& target, int method)
    {
        dialog.m_iniConfig.SetFileName(config);
        dialog.m_strUserName = QStringLiteral("alice");
        dialog.m_strIP = target;
        dialog.m_nMethod = method;
        ASSERT_TRUE(dialog.OnInitDialog());
        dialog.show();
    }
    QString key(const char* name) const
    {
        CIniFile ini;
        ini.SetFileName(config);
        return ini.GetString(QStringLiteral("main"), QString::fromUtf8(name), QStringLiteral("(missing)"));
    }

    test::ScopedEnvironment env;
    test::RecordingMessageBoxes boxes;
    RecordingLauncher launcher;
    QString config = env.path() + QStringLiteral("/MainConfA.ini");
    CSendNetMsgDlg dialog;
};

TEST_F(SendNetMsg, SendIsOffUntilThereIsAMessageAndALeadingBlankIsRemoved)
{
    open(QStringLiteral("192.0.2.1"), 1);
    test::saveDialogPicture(&dialog, QStringLiteral("send-net-msg"));
    EXPECT_EQ(control<QLabel>(&dialog, "labelTarget")->text(), QStringLiteral("To IP: 192.0.2.1"));
    EXPECT_EQ(edit(&dialog, "editUser")->text(), QStringLiteral("alice"));
    EXPECT_FALSE(control(&dialog, "buttonSend")->isEnabled());
    EXPECT_FALSE(control(&dialog, "buttonSend")->icon().isNull());
    EXPECT_FALSE(control(&dialog, "buttonCancel")->icon().isNull());
    const struct
    {
        const char* typed;
        const char* message;
        bool send;
    } steps[] = {{" ", "", false}, {"h", "h", true}, {"i there", "hi there", true}};
    for (const auto& s : steps) {
        SCOPED_TRACE(s.typed);
        QTest::keyClicks(edit(&dialog, "editMessage"), QString::fromUtf8(s.typed));
        EXPECT_EQ(edit(&dialog, "editMessage")->text(), QString::fromUtf8(s.message));
        EXPECT_EQ(control(&dialog, "buttonSend")->isEnabled(), s.send);
    }
    edit(&dialog, "editMessage")->selectAll();
    QTest::keyClick(edit(&dialog, "editMessage"), Qt::Key_Backspace);
    EXPECT_FALSE(control(&dialog, "buttonSend")->isEnabled());
    // An empty message sends nothing, however Send is reached.
    dialog.OnBnClickedSend();
    EXPECT_TRUE(launcher.started.empty());
}

TEST_F(SendNetMsg, ASentMessageIsClearedAFailedOneStaysWithTheError)
{
    open(QStringLiteral("192.0.2.1"), 1);
    QTest::keyClicks(edit(&dialog, "editMessage"), QStringLiteral("it's $(late)"));
    control(&dialog, "buttonSend")->click();
    ASSERT_EQ(launcher.started.size(), 1u);
    EXPECT_EQ(launcher.started[0].back(),
              QStringLiteral("printf '%s\\n' 'alice' 'it'\\''s $(late)' | ssh -- '192.0.2.1' "
                             "'read -r u && exec write \"$u\"'\nexec \"${SHELL:-/bin/sh}\""));
    EXPECT_TRUE(edit(&dialog, "editMessage")->text().isEmpty());
    EXPECT_FALSE(control(&dialog, "buttonSend")->isEnabled());
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_TRUE(boxes.shown.empty());

    launcher.starts = false;
    QTest::keyClicks(edit(&dialog, "editMessage"), QStringLiteral("again"));
    QTest::keyClick(edit(&dialog, "editMessage"), Qt::Key_Return);
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].text, QStringLiteral("ERROR FILE NOT FOUND"));
    EXPECT_EQ(edit(&dialog, "editMessage")->text(), QStringLiteral("again"));
    EXPECT_TRUE(control(&dialog, "buttonSend")->isEnabled());
}

TEST_F(SendNetMsg, AUrlBoxIsSentToItsServerAndTheStoredCommandIsUsed)
{
    CIniFile ini;
    ini.SetFileName(config);
    ini.WriteString(QStringLiteral("main"), QStringLiteral("SendNetMsgComm"), QStringLiteral("/opt/notify"));
    ini.WriteString(QStringLiteral("main"), QStringLiteral("SendNetMsgParam"),
                    QStringLiteral("%ip %user %message"));
    open(QStringLiteral("https://www.example.org:8443/status?x=1"), 3);
    EXPECT_EQ(control<QLabel>(&dialog, "labelTarget")->text(), QStringLiteral("To IP: www.example.org"));
    QTest::keyClicks(edit(&dialog, "editMessage"), QStringLiteral("up again"));
    control(&dialog, "buttonSend")->click();
    ASSERT_EQ(launcher.started.size(), 1u);
    EXPECT_EQ(launcher.started[0],
              (QStringList{QStringLiteral("/opt/notify"), QStringLiteral("www.example.org"),
                           QStringLiteral("alice"), QStringLiteral("up again")}));
}

TEST_F(SendNetMsg, EveryKeystrokeInTheUserNameIsStoredEvenWhenEmptied)
{
    open(QStringLiteral("192.0.2.1"), 1);
    QLineEdit* user = edit(&dialog, "editUser");
    EXPECT_EQ(key("NetUserName"), QStringLiteral("(missing)"));
    user->selectAll();
    QTest::keyClicks(user, QStringLiteral("b"));
    EXPECT_EQ(key("NetUserName"), QStringLiteral("b"));
    QTest::keyClicks(user, QStringLiteral("o"));
    EXPECT_EQ(key("NetUserName"), QStringLiteral("bo"));
    QTest::keyClick(user, Qt::Key_Backspace);
    QTest::keyClick(user, Qt::Key_Backspace);
    EXPECT_EQ(key("NetUserName"), QString());
    EXPECT_EQ(user->maxLength(), 255);
}

TEST_F(SendNetMsg, SettingsAreStoredOnOkOnlyAndDefaultGivesTheDefaults)
{
    FakePicker picker;
    open(QStringLiteral("192.0.2.1"), 1);
    const struct
    {
        const char* what;
        std::function<void(CSendNetMsgSetting*)> answer;
        QString command;
        QString parameters;
    } cases[] = {
        {"default, then cancel",
         [](CSendNetMsgSetting* s) {
             control(s, "buttonDefault")->click();
             control(s, "buttonCancel")->click();
         },
         QStringLiteral("(missing)"), QStringLiteral("(missing)")},
        {"typed, then OK",
         [](CSendNetMsgSetting* s) {
             EXPECT_EQ(edit(s, "editCommand")->text(), defaultNetMsgCommand());
             EXPECT_EQ(edit(s, "editParameters")->text(), defaultNetMsgParameters());
             EXPECT_FALSE(control(s, "buttonOK")->icon().isNull());
             test::saveDialogPicture(s, QStringLiteral("send-net-msg-settings"));
             edit(s, "editParameters")->setText(QStringLiteral("-u %user %message"));
             control(s, "buttonBrowse")->click();
             control(s, "buttonOK")->click();
         },
         QStringLiteral("/usr/local/bin/notify"), QStringLiteral("-u %user %message")},
        {"default, then OK",
         [](CSendNetMsgSetting* s) {
             EXPECT_EQ(edit(s, "editCommand")->text(), QStringLiteral("/usr/local/bin/notify"));
             control(s, "buttonDefault")->click();
             control(s, "buttonOK")->click();
         },
         defaultNetMsgCommand(), defaultNetMsgParameters()},
    };
    picker.pick = QStringLiteral("/usr/local/bin/notify");
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        whenOpened<CSendNetMsgSetting>(&dialog, c.answer);
        control(&dialog, "buttonSettings")->click();
        EXPECT_EQ(key("SendNetMsgComm"), c.command);
        EXPECT_EQ(key("SendNetMsgParam"), c.parameters);
    }
    // The program picker offers all files first.
    EXPECT_EQ(picker.filters, QStringList{QStringLiteral("EXE, BAT File (*.exe *.bat);;All files (*)")});
}

TEST_F(SendNetMsg, HelpSaysWhatTheHostNeeds)
{
    open(QStringLiteral("192.0.2.1"), 1);
    control(&dialog, "buttonHelp")->click();
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].text, CSendNetMsgDlg::HelpText());
    EXPECT_EQ(boxes.shown[0].type, platform::MB_ICONINFORMATION);
}

} // namespace
