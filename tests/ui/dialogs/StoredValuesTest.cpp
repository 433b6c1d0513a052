// Stored values go through the dialogs unchanged, and text fields keep to
// what the configuration gives back.
#include "TestSupport.h"

#include "core/BoxRecord.h"
#include "platform/desktop/Messages.h"
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

#include <tuple>

namespace {

QLineEdit* field(QWidget* dialog, const QString& name)
{
    if (auto* spin = dialog->findChild<CSpinEdit*>(name))
        return spin->edit();
    return test::control<QLineEdit>(dialog, name.toUtf8().constData());
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
    d.options.m_nYBox = 80;
    // Each field, its value, what is stored, shown and kept after OK.
    const std::tuple<QWidget*, const char*, uint32_t&, uint32_t, const char*, uint32_t> fields[] = {
        {&d.box, "editPort", d.box.Port, 123456, "123456", 65535}, // OK holds it to 65535
        {&d.box, "spinInterval", d.box.CheckInterval, 3600, "3600", 3600},
        {&d.box, "spinSoundCount", d.box.nPS, 12345, "12345", 12345},
        {&d.box, "spinMsgBoxCount", d.box.nMSGB, 54321, "54321", 54321},
        {&d.exec, "spinCount", d.exec.m_nCount, 12345, "12345", 12345},
        {&d.options, "spinWidth", d.options.m_nXBox, 1234, "300", 300}, // shown as OK holds it
    };
    for (const auto& [dialog, name, value, stored, shown, kept] : fields)
        value = stored;
    d.box.OnInitDialog();
    d.exec.OnInitDialog();
    d.options.OnInitDialog();
    EXPECT_EQ(field(&d.box, "editTarget")->text(), d.box.IPAdress);
    for (const auto& [dialog, name, value, stored, shown, kept] : fields)
        EXPECT_EQ(field(dialog, name)->text(), QLatin1String(shown)) << name;
    test::control<QPushButton>(&d.box, "btnOK")->click();
    test::control<QPushButton>(&d.exec, "buttonOK")->click();
    test::control<QPushButton>(&d.options, "buttonOK")->click();
    EXPECT_EQ(d.box.IPAdress.size(), 100);
    for (const auto& [dialog, name, value, stored, shown, kept] : fields)
        EXPECT_EQ(value, kept) << name;

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
    // Each dialog's fields, a field filled by a picker followed by ":" and the picker's button.
    const std::pair<QWidget*, QStringList> dialogs[] = {
        {&d.box, {"editName", "editPhrase"}},
        {&d.exec, {"editFile:buttonBrowse", "editParameters"}},
        {&message, {"editDescription"}},
        {&sound, {"editFileUp:buttonBrowseUp", "editSpeechDown"}},
        {&d.options,
         {"editDblClickPath:buttonBrowseProgram", "editDblClickParameters",
          "editErrorSoundFile:buttonBrowseSound", "editErrorSpeechText"}},
        {&app, {"editPath:buttonBrowse"}},
        {&netMsg, {"editCommand:buttonBrowse"}}};
    picker.pick = QLatin1Char('/') + QString(299, QLatin1Char('p'));
    const QString kept(255, QLatin1Char('x')); // what a read of the INI file gives back
    for (const auto& [dialog, fields] : dialogs) {
        for (const QString& row : fields) {
            SCOPED_TRACE(row.toStdString());
            QLineEdit* edit = field(dialog, row.section(u':', 0, 0));
            edit->insert(QString(300, QLatin1Char('x'))); // as typed or pasted
            EXPECT_EQ(edit->text(), kept);
            if (!row.contains(u':'))
                continue;
            d.messages.shown.clear();
            test::control<QPushButton>(dialog, row.section(u':', 1).toUtf8().constData())->click();
            EXPECT_EQ(edit->text(), kept);
            EXPECT_TRUE(d.messages.shown.size() == 1 && d.messages.shown[0].text.contains(picker.pick));
        }
    }
}

} // namespace
