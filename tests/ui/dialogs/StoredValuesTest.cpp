// Values read from the configuration go through every dialog unchanged: a
// stored number wider than its field is shown whole and handed back, a text
// field takes no more than a read gives back, and a picked path too long to
// keep is refused with a reason.
#include "TestSupport.h"

#include "core/BoxRecord.h"
#include "platform/Dialogs.h"
#include "platform/Messages.h"
#include "ui/dialogs/AEApp.h"
#include "ui/dialogs/BoxPropertiesDlg.h"
#include "ui/dialogs/DialogTestSupport.h"
#include "ui/dialogs/ExecFile.h"
#include "ui/dialogs/MsgBoxSettings.h"
#include "ui/dialogs/PlaySoundSettings.h"
#include "ui/dialogs/PropertiesDlg.h"
#include "ui/dialogs/SendNetMsgSetting.h"
#include "ui/dialogs/SpinEdit.h"

#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include <functional>

namespace {

QLineEdit* field(QWidget* dialog, const char* name)
{
    if (auto* spin = dialog->findChild<CSpinEdit*>(QLatin1String(name)))
        return spin->edit();
    return test::control<QLineEdit>(dialog, name);
}

void ok(QWidget* dialog, const char* button)
{
    test::control<QPushButton>(dialog, button)->click();
}

TEST(StoredValues, NumbersWiderThanTheirFieldsAreShownWholeAndOkHandsThemBack)
{
    test::ScopedEnvironment env;
    test::RecordingMessageBoxes messages;
    platform::MessageReceiver parent([](uint32_t, platform::WPARAM, platform::LPARAM) { return 0; });
    CBoxPropertiesDlg box(&parent, nullptr);
    box.Text = QStringLiteral("Router");
    box.IPAdress = QString(100, QLatin1Char('h')); // the field takes 99
    box.Port = 123456;                             // 5 digits, held to 65535 by OK
    box.CheckInterval = 3600;                      // 3 digits
    box.nPS = 12345;                               // 4 digits
    box.nMSGB = 54321;
    box.OnInitDialog();
    box.show();
    CExecFile exec;
    exec.m_nCount = 12345; // 4 digits
    exec.OnInitDialog();
    exec.show();
    CPropertiesDlg options;
    options.SetParentWindow(&parent);
    options.m_nXBox = 1234; // 3 digits: shown as the largest width, as Apply holds it
    options.m_nYBox = 80;
    options.m_nTimeOut = UINT32_MAX; // the widest a read gives
    options.OnInitDialog();
    options.show();

    const struct
    {
        QWidget* dialog;
        const char* name;
        QString shown;
        std::function<qint64()> handedBack;
        qint64 kept;
    } fields[] = {
        {&box, "editTarget", box.IPAdress, [&] { return box.IPAdress.size(); }, 100},
        {&box, "editPort", "123456", [&] { return box.Port; }, 65535},
        {&box, "spinInterval", "3600", [&] { return box.CheckInterval; }, 3600},
        {&box, "spinSoundCount", "12345", [&] { return box.nPS; }, 12345},
        {&box, "spinMsgBoxCount", "54321", [&] { return box.nMSGB; }, 54321},
        {&exec, "spinCount", "12345", [&] { return exec.m_nCount; }, 12345},
        {&options, "spinWidth", "300", [&] { return options.m_nXBox; }, 300},
        {&options, "spinTimeOut", "4294967295", [&] { return options.m_nTimeOut; }, UINT32_MAX},
    };
    for (const auto& f : fields)
        EXPECT_EQ(field(f.dialog, f.name)->text(), f.shown) << f.name;
    ok(&box, "btnOK");
    ok(&exec, "buttonOK");
    ok(&options, "buttonOK");
    for (const auto& f : fields)
        EXPECT_EQ(f.handedBack(), f.kept) << f.name;
    EXPECT_TRUE(messages.shown.empty());

    // Typing keeps to the field's own limit once the user shortens the number.
    QLineEdit* count = field(&box, "spinMsgBoxCount");
    QTest::keyClick(count, Qt::Key_Backspace);
    QTest::keyClicks(count, QStringLiteral("9"));
    EXPECT_EQ(count->text(), QStringLiteral("5432"));
}

TEST(StoredValues, StoredTextFieldsTakeWhatTheFileGivesBackAndLongPickedPathsAreRefusedWithAReason)
{
    test::ScopedEnvironment env;
    test::RecordingMessageBoxes messages;
    test::FakePicker picker;
    platform::MessageReceiver parent([](uint32_t, platform::WPARAM, platform::LPARAM) { return 0; });
    CBoxPropertiesDlg box(&parent, nullptr);
    box.OnInitDialog();
    CExecFile exec;
    exec.OnInitDialog();
    CMsgBoxSettings message;
    message.OnInitDialog();
    CPlaySoundSettings sound;
    sound.m_nMethod = METHOD_PING;
    sound.m_bCustomSound = {1, 0, 0, 0, 0};
    sound.OnInitDialog();
    CPropertiesDlg options;
    options.m_bDCOBEFE = 1;
    options.m_bErrorDefaultSound = 1;
    options.OnInitDialog();
    CAEApp app;
    app.OnInitDialog();
    CSendNetMsgSetting netMsg;
    netMsg.OnInitDialog();

    const struct
    {
        QWidget* dialog;
        const char* name;
        const char* browse; // the picker that fills the field, if any
    } fields[] = {
        {&box, "editName", nullptr},
        {&box, "editPhrase", nullptr},
        {&exec, "editFile", "buttonBrowse"},
        {&exec, "editParameters", nullptr},
        {&message, "editDescription", nullptr},
        {&sound, "editFileUp", "buttonBrowseUp"},
        {&sound, "editSpeechDown", nullptr},
        {&options, "editDblClickPath", "buttonBrowseProgram"},
        {&options, "editDblClickParameters", nullptr},
        {&options, "editErrorSoundFile", "buttonBrowseSound"},
        {&options, "editErrorSpeechText", nullptr},
        {&app, "editPath", "buttonBrowse"},
        {&netMsg, "editCommand", "buttonBrowse"},
    };
    picker.pick = QLatin1Char('/') + QString(299, QLatin1Char('p'));
    for (const auto& f : fields) {
        QLineEdit* edit = field(f.dialog, f.name);
        edit->clear();
        edit->insert(QString(300, QLatin1Char('x'))); // as typed or pasted
        EXPECT_EQ(edit->text(), QString(255, QLatin1Char('x'))) << f.name;
        if (!f.browse)
            continue;
        f.dialog->show();
        messages.shown.clear();
        test::control<QPushButton>(f.dialog, f.browse)->click();
        EXPECT_EQ(edit->text(), QString(255, QLatin1Char('x'))) << f.name;
        EXPECT_EQ(messages.shown.size(), 1u) << f.name;
        EXPECT_TRUE(!messages.shown.empty() && messages.shown[0].text.contains(picker.pick)) << f.name;
    }
}

} // namespace
