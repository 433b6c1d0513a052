// Stored values go through the dialogs unchanged, and text fields keep to
// what the configuration gives back.
#include "TestSupport.h"

#include "core/BoxRecord.h"
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

struct Dialogs
{
    test::ScopedEnvironment env;
    test::RecordingMessageBoxes messages;
    platform::MessageReceiver parent{[](uint32_t, platform::WPARAM, platform::LPARAM) { return 0; }};
    CBoxPropertiesDlg box{&parent, nullptr};
    CExecFile exec;
    CPropertiesDlg options;
};

TEST(StoredValues, NumbersWiderThanTheirFieldsAreShownWholeAndOkHandsThemBack)
{
    Dialogs d;
    d.box.Text = QStringLiteral("Router");
    d.box.IPAdress = QString(100, QLatin1Char('h')); // the field takes 99
    d.box.Port = 123456;                             // OK holds it to 65535
    d.box.CheckInterval = 3600;
    d.box.nPS = 12345;
    d.box.nMSGB = 54321;
    d.exec.m_nCount = 12345;
    d.options.m_nXBox = 1234; // shown as the largest width, as OK holds it
    d.options.m_nYBox = 80;
    d.box.OnInitDialog();
    d.exec.OnInitDialog();
    d.options.OnInitDialog();
    const struct
    {
        QWidget* dialog;
        const char* name;
        QString shown;
        std::function<qint64()> handedBack;
        qint64 kept;
    } fields[] = {
        {&d.box, "editTarget", d.box.IPAdress, [&] { return d.box.IPAdress.size(); }, 100},
        {&d.box, "editPort", "123456", [&] { return d.box.Port; }, 65535},
        {&d.box, "spinInterval", "3600", [&] { return d.box.CheckInterval; }, 3600},
        {&d.box, "spinSoundCount", "12345", [&] { return d.box.nPS; }, 12345},
        {&d.box, "spinMsgBoxCount", "54321", [&] { return d.box.nMSGB; }, 54321},
        {&d.exec, "spinCount", "12345", [&] { return d.exec.m_nCount; }, 12345},
        {&d.options, "spinWidth", "300", [&] { return d.options.m_nXBox; }, 300},
    };
    for (const auto& f : fields)
        EXPECT_EQ(field(f.dialog, f.name)->text(), f.shown) << f.name;
    test::control<QPushButton>(&d.box, "btnOK")->click();
    test::control<QPushButton>(&d.exec, "buttonOK")->click();
    test::control<QPushButton>(&d.options, "buttonOK")->click();
    for (const auto& f : fields)
        EXPECT_EQ(f.handedBack(), f.kept) << f.name;

    // Typing keeps to the field's own limit once the user shortens the number.
    QLineEdit* count = field(&d.box, "spinMsgBoxCount");
    QTest::keyClick(count, Qt::Key_Backspace);
    QTest::keyClicks(count, QStringLiteral("9"));
    EXPECT_EQ(count->text(), QStringLiteral("5432"));
}

TEST(StoredValues, TextFieldsTakeWhatTheFileGivesBackAndLongPickedPathsAreRefusedWithAReason)
{
    Dialogs d;
    test::FakePicker picker;
    CMsgBoxSettings message;
    CPlaySoundSettings sound;
    sound.m_nMethod = METHOD_PING;
    sound.m_bCustomSound = {1, 0, 0, 0, 0};
    sound.OnInitDialog();
    d.options.m_bDCOBEFE = d.options.m_bErrorDefaultSound = 1;
    d.options.OnInitDialog();
    CAEApp app;
    CSendNetMsgSetting netMsg;
    const struct
    {
        QWidget* dialog;
        const char* name;
        const char* browse; // the picker that fills the field, if any
    } fields[] = {
        {&d.box, "editName", nullptr},
        {&d.box, "editPhrase", nullptr},
        {&d.exec, "editFile", "buttonBrowse"},
        {&d.exec, "editParameters", nullptr},
        {&message, "editDescription", nullptr},
        {&sound, "editFileUp", "buttonBrowseUp"},
        {&sound, "editSpeechDown", nullptr},
        {&d.options, "editDblClickPath", "buttonBrowseProgram"},
        {&d.options, "editDblClickParameters", nullptr},
        {&d.options, "editErrorSoundFile", "buttonBrowseSound"},
        {&d.options, "editErrorSpeechText", nullptr},
        {&app, "editPath", "buttonBrowse"},
        {&netMsg, "editCommand", "buttonBrowse"},
    };
    picker.pick = QLatin1Char('/') + QString(299, QLatin1Char('p'));
    const QString kept(255, QLatin1Char('x')); // what a read of the INI file gives back
    for (const auto& f : fields) {
        QLineEdit* edit = field(f.dialog, f.name);
        edit->insert(QString(300, QLatin1Char('x'))); // as typed or pasted
        EXPECT_EQ(edit->text(), kept) << f.name;
        if (!f.browse)
            continue;
        d.messages.shown.clear();
        test::control<QPushButton>(f.dialog, f.browse)->click();
        EXPECT_EQ(edit->text(), kept) << f.name;
        EXPECT_EQ(d.messages.shown.size(), 1u) << f.name;
        EXPECT_TRUE(!d.messages.shown.empty() && d.messages.shown[0].text.contains(picker.pick)) << f.name;
    }
}

} // namespace
