// The settings buttons of the box properties dialog.
#include "ui/dialogs/BoxPropertiesDlg.h"
#include "ui/dialogs/ExecFile.h"
#include "ui/dialogs/MsgBoxSettings.h"
#include "ui/dialogs/PlaySoundSettings.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>

namespace {

void click(QWidget& dialog, const char* name)
{
    auto* button = dialog.findChild<QAbstractButton*>(QLatin1String(name));
    ASSERT_NE(button, nullptr) << name;
    // A check box takes clicks on its mark and text only.
    const QPoint at =
        qobject_cast<QCheckBox*>(button) ? QPoint(6, button->height() / 2) : button->rect().center();
    QTest::mouseClick(button, Qt::LeftButton, Qt::NoModifier, at);
}

void retype(QWidget& dialog, const char* name, const QString& text)
{
    auto* edit = dialog.findChild<QLineEdit*>(QLatin1String(name));
    ASSERT_NE(edit, nullptr) << name;
    edit->setText(text);
}

// Acts in the settings dialog of type T as soon as `owner` has it open, then
// ends it with OK or Cancel.
template <typename T> void whenOpen(QWidget* owner, bool ok, std::function<void(T&)> act)
{
    auto* timer = new QTimer(owner);
    QObject::connect(timer, &QTimer::timeout, owner, [=] {
        T* settings = owner->findChild<T*>();
        if (!settings || !settings->isVisible())
            return;
        timer->stop();
        timer->deleteLater();
        act(*settings);
        click(*settings, ok ? "buttonOK" : "buttonCancel");
    });
    timer->start(5);
}

} // namespace

TEST(BoxPropertiesSettings, ButtonsHandTheValuesInAndTakeThemBackOnlyAfterOk)
{
    platform::MessageReceiver receiver(
        [](uint32_t, platform::WPARAM, platform::LPARAM) -> platform::LRESULT { return 0; });
    for (const bool ok : {true, false}) {
        CBoxPropertiesDlg dlg(&receiver, nullptr);
        dlg.Text = QStringLiteral("Router");
        dlg.IPAdress = QStringLiteral("10.0.0.1");
        dlg.VerifyMetod = METHOD_TCP;
        dlg.Port = 8080;
        dlg.CheckInterval = 3;
        dlg.OpenPath = QStringLiteral("/snd/open.wav");
        dlg.CustomSoundCheck = 0b00100; // Open plays its file and speaks: speech wins
        dlg.SpeechTextCheck = 0b00100;
        dlg.ExecFilePath = QStringLiteral("/opt/alert");
        dlg.ExecFileStatusCheck = 0b00010;
        dlg.nEF = 5;
        dlg.MsgBoxDesc = QStringLiteral("%name is %status");
        dlg.OnInitDialog();
        dlg.show();
        // A name set in the field with no exchange since.
        retype(dlg, "editName", QStringLiteral("Main router"));

        // The program button takes nothing from the controls first.
        whenOpen<CExecFile>(&dlg, ok, [](CExecFile& exec) {
            EXPECT_EQ(exec.m_strBoxName, QStringLiteral("Router"));
            EXPECT_EQ(exec.m_strFile, QStringLiteral("/opt/alert"));
            EXPECT_EQ(exec.m_bStatus, CExecFile::FlagsFromMask(0b00010));
            EXPECT_EQ(exec.m_nMethod, METHOD_TCP);
            EXPECT_EQ(exec.m_nPort, 8080u);
            EXPECT_EQ(exec.m_strTarget, QStringLiteral("10.0.0.1"));
            EXPECT_EQ(exec.m_nCount, 5u);
            EXPECT_EQ(exec.m_nInterval, 3u);
            retype(exec, "editFile", QStringLiteral("/opt/other"));
            click(exec, "checkUp");
            click(exec, "checkRunHidden");
        });
        click(dlg, "btnExecSettings");
        EXPECT_EQ(dlg.ExecFilePath, ok ? QStringLiteral("/opt/other") : QStringLiteral("/opt/alert"));
        EXPECT_EQ(dlg.ExecFileStatusCheck, ok ? 0b00011 : 0b00010);
        EXPECT_EQ(dlg.RunHideMode, ok ? 1 : 0);
        EXPECT_EQ(dlg.nEF, 5u);

        // The sound and message-box buttons take the typed name first.
        whenOpen<CPlaySoundSettings>(&dlg, ok, [](CPlaySoundSettings& sound) {
            EXPECT_EQ(sound.m_strBoxName, QStringLiteral("Main router"));
            EXPECT_EQ(sound.m_nMethod, METHOD_TCP);
            EXPECT_EQ(sound.m_strSoundFile[CPlaySoundSettings::ROW_OPEN], QStringLiteral("/snd/open.wav"));
            retype(sound, "editSpeechOpen", QStringLiteral("%name is open"));
        });
        click(dlg, "btnSoundSettings");
        EXPECT_EQ(dlg.CustomSoundCheck, ok ? 0 : 0b00100);
        EXPECT_EQ(dlg.SpeechTextCheck, 0b00100);
        EXPECT_EQ(dlg.OpenTextString, ok ? QStringLiteral("%name is open") : QString());
        EXPECT_EQ(dlg.OpenPath, QStringLiteral("/snd/open.wav"));

        whenOpen<CMsgBoxSettings>(&dlg, ok, [](CMsgBoxSettings& box) {
            EXPECT_EQ(box.m_strBoxName, QStringLiteral("Main router"));
            EXPECT_EQ(box.m_strDescription, QStringLiteral("%name is %status"));
            retype(box, "editDescription", QStringLiteral("Gone"));
        });
        click(dlg, "btnMsgBoxSettings");
        EXPECT_EQ(dlg.MsgBoxDesc, ok ? QStringLiteral("Gone") : QStringLiteral("%name is %status"));
    }
}
