// The network message dialog and its command settings, driven through their
// controls.
#include "ui/dialogs/SendNetMsgDlg.h"

#include "DialogTestSupport.h"
#include "core/NetMessage.h"
#include "ui/dialogs/SendNetMsgSetting.h"
#include "ui/dialogs/UnsavedSettings.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

namespace {

using test::control;

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
    std::string key(const char* name) const
    {
        return dialog.m_iniConfig
            .GetString(QStringLiteral("main"), QString::fromUtf8(name), QStringLiteral("-"))
            .toStdString();
    }

    test::ScopedEnvironment env;
    test::RecordingMessageBoxes boxes;
    test::RecordingLauncher launcher;
    QString config = env.path() + QStringLiteral("/MainConfA.ini");
    CSendNetMsgDlg dialog;
    QLineEdit* message = control<QLineEdit>(&dialog, "editMessage");
    QPushButton* send = control<QPushButton>(&dialog, "buttonSend");
};

TEST_F(SendNetMsg, SendWaitsForAMessageClearsItWhenSentAndKeepsItWhenNot)
{
    open(QStringLiteral("192.0.2.1"), 1);
    test::saveDialogPicture(&dialog, QStringLiteral("send-net-msg"));
    EXPECT_EQ(control<QLabel>(&dialog, "labelTarget")->text(), QStringLiteral("To IP: 192.0.2.1"));
    EXPECT_FALSE(send->isEnabled());
    // A typed blank at the start is removed at once.
    QTest::keyClicks(message, QStringLiteral(" "));
    EXPECT_TRUE(message->text().isEmpty());
    EXPECT_FALSE(send->isEnabled());
    QTest::keyClicks(message, QStringLiteral("it's $(late)"));
    ASSERT_TRUE(send->isEnabled());
    send->click();
    ASSERT_EQ(launcher.started.size(), 1u);
    // The values travel beside the script, which refers to them.
    EXPECT_EQ(launcher.started[0].mid(4), (QStringList{"sh", "192.0.2.1", "alice", "it's $(late)"}));
    EXPECT_EQ(launcher.started[0][3].toStdString(),
              "korvalen_value1=${1} korvalen_value2=${2} korvalen_value3=${3} && shift 3\n"
              "printf '%s\\n' \"${korvalen_value2}\" \"${korvalen_value3}\" | "
              "ssh -- \"${korvalen_value1}\" 'read -r u && exec write -- \"$u\"'\n"
              "exec \"${SHELL:-/bin/sh}\"");
    EXPECT_TRUE(message->text().isEmpty());
    EXPECT_FALSE(send->isEnabled());
    EXPECT_TRUE(dialog.isVisible());

    launcher.missing << QStringLiteral("terminal");
    QTest::keyClicks(message, QStringLiteral("again"));
    QTest::keyClick(message, Qt::Key_Return);
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].text, QStringLiteral("ERROR FILE NOT FOUND"));
    EXPECT_EQ(message->text(), QStringLiteral("again"));
    EXPECT_TRUE(send->isEnabled());

    // A template that puts a value where the shell evaluates it is refused.
    launcher.missing.clear();
    dialog.m_strParameters = QStringLiteral("/C echo $((%message))");
    send->click();
    ASSERT_EQ(boxes.shown.size(), 2u);
    EXPECT_EQ(boxes.shown[1].text,
              CSendNetMsgDlg::RefusedText(
                  QStringLiteral("%message stands inside $(( )), where the shell reads it as arithmetic")));
    EXPECT_EQ(launcher.started.size(), 2u);
    EXPECT_EQ(message->text(), QStringLiteral("again"));
}

TEST_F(SendNetMsg, AUrlBoxIsSentToItsServerWithTheStoredCommand)
{
    dialog.m_iniConfig.SetFileName(config);
    dialog.m_iniConfig.WriteString(QStringLiteral("main"), QStringLiteral("SendNetMsgComm"),
                                   QStringLiteral("/opt/n"));
    dialog.m_iniConfig.WriteString(QStringLiteral("main"), QStringLiteral("SendNetMsgParam"),
                                   QStringLiteral("%ip %user %message"));
    open(QStringLiteral("https://www.example.org:8443/status?x=1"), 3);
    EXPECT_EQ(control<QLabel>(&dialog, "labelTarget")->text(), QStringLiteral("To IP: www.example.org"));
    QTest::keyClicks(message, QStringLiteral("up again"));
    send->click();
    EXPECT_EQ(launcher.started.back(), (QStringList{"/opt/n", "www.example.org", "alice", "up again"}));
}

TEST_F(SendNetMsg, EveryKeystrokeInTheUserNameIsStoredEvenAnEmptiedOne)
{
    open(QStringLiteral("192.0.2.1"), 1);
    QLineEdit* user = control<QLineEdit>(&dialog, "editUser");
    EXPECT_EQ(user->maxLength(), 255);
    user->selectAll();
    for (const auto& [key, stored] :
         {std::pair{Qt::Key_B, "b"}, {Qt::Key_O, "bo"}, {Qt::Key_Backspace, "b"}, {Qt::Key_Backspace, ""}}) {
        QTest::keyClick(user, key);
        EXPECT_EQ(this->key("NetUserName"), stored);
    }
}

TEST_F(SendNetMsg, SettingsAreStoredOnOkOnlyAndDefaultGivesTheDefaults)
{
    test::FakePicker picker;
    picker.pick = QStringLiteral("/usr/local/bin/notify");
    open(QStringLiteral("192.0.2.1"), 1);
    auto click = [](CSendNetMsgSetting* s, const char* name) { control<QPushButton>(s, name)->click(); };
    const struct
    {
        const char* what;
        std::function<void(CSendNetMsgSetting*)> answer;
        QString command, parameters;
    } cases[] = {
        {"default, cancel", [&](auto* s) { click(s, "buttonDefault"), click(s, "buttonCancel"); }, "-", "-"},
        {"browse, type, OK",
         [&](CSendNetMsgSetting* s) {
             EXPECT_EQ(control<QLineEdit>(s, "editParameters")->text(), defaultNetMsgParameters());
             test::saveDialogPicture(s, QStringLiteral("send-net-msg-settings"));
             control<QLineEdit>(s, "editParameters")->setText(QStringLiteral("-u %user %message"));
             click(s, "buttonBrowse"), click(s, "buttonOK");
         },
         picker.pick, "-u %user %message"},
        {"default, OK", [&](auto* s) { click(s, "buttonDefault"), click(s, "buttonOK"); },
         defaultNetMsgCommand(), defaultNetMsgParameters()},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        test::whenOpened<CSendNetMsgSetting>(&dialog, c.answer);
        control<QPushButton>(&dialog, "buttonSettings")->click();
        EXPECT_EQ(key("SendNetMsgComm"), c.command.toStdString());
        EXPECT_EQ(key("SendNetMsgParam"), c.parameters.toStdString());
    }
    // Programs here have no extension: the picker opens on all files.
    EXPECT_TRUE(picker.filters.at(0).startsWith(QStringLiteral("All Files (*);;")));
}

TEST_F(SendNetMsg, StoresThatFailAreSaidAndTheTypedValuesStay)
{
    config = env.path() + QStringLiteral("/missing/MainConfA.ini");
    open(QStringLiteral("192.0.2.1"), 1);
    // The user name is the running configuration's settings writer's to tell.
    QTest::keyClicks(control<QLineEdit>(&dialog, "editUser"), QStringLiteral("bo"));
    EXPECT_TRUE(boxes.shown.empty());
    // The settings: OK says so and leaves the dialog open with what was typed.
    test::whenOpened<CSendNetMsgSetting>(&dialog, [&](CSendNetMsgSetting* s) {
        control<QLineEdit>(s, "editParameters")->setText(QStringLiteral("-m %message"));
        control<QPushButton>(s, "buttonOK")->click();
        EXPECT_TRUE(s->isVisible());
        EXPECT_EQ(control<QLineEdit>(s, "editParameters")->text(), QStringLiteral("-m %message"));
        control<QPushButton>(s, "buttonCancel")->click();
    });
    control<QPushButton>(&dialog, "buttonSettings")->click();
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].text, unsavedSettingsText(config));
    EXPECT_EQ(dialog.m_strParameters, defaultNetMsgParameters());
}

} // namespace
