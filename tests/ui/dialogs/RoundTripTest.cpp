// A settings dialog closed with OK or Apply, nothing touched, stores back
// what it read: every key of the file is compared before and after.
#include "TestSupport.h"

#include "core/IniFile.h"
#include "core/NetThread.h"
#include "core/Workers.h"
#include "ui/KorvalenDlg.h"
#include "ui/TrayMenu.h"
#include "ui/dialogs/BoxPropertiesDlg.h"
#include "ui/dialogs/DialogTestSupport.h"
#include "ui/dialogs/ExecFile.h"
#include "ui/dialogs/MsgBoxSettings.h"
#include "ui/dialogs/PlaySoundSettings.h"
#include "ui/dialogs/PropertiesDlg.h"

#include <QAction>
#include <QDir>
#include <QMap>
#include <QPushButton>
#include <QTimer>

#include <gtest/gtest.h>

#include <memory>

namespace {

// A stored value and, where reading or writing it by its own rule gives
// another text, the text stored after OK.
struct Stored
{
    const char* key;
    const char* text;
    const char* after = nullptr;
};

QByteArray section(const char* name, std::initializer_list<Stored> values)
{
    QByteArray text = QByteArray("[") + name + "]\n";
    for (const Stored& v : values)
        text += QByteArray(v.key) + '=' + v.text + '\n';
    return text;
}

// Each key of the file as "section/key", case-folded, with its value as read.
QMap<QString, QString> storedValues(const QString& path)
{
    CIniFile ini;
    ini.SetFileName(path);
    QMap<QString, QString> values;
    // Names are found whatever their case, so they are kept case-folded.
    for (const QString& key : test::keysInOrder(path)) {
        EXPECT_FALSE(values.contains(key.toCaseFolded())) << "written twice: " << key.toStdString();
        values[key.toCaseFolded()] =
            ini.GetString(key.section(u'/', 0, 0), key.section(u'/', 1), QStringLiteral("missing"));
    }
    return values;
}

// What each key must hold afterwards: as before, unless the table says.
void expectKept(const QMap<QString, QString>& before, const QMap<QString, QString>& after, const char* name,
                std::initializer_list<Stored> changed)
{
    QMap<QString, QString> expected = before;
    for (const Stored& c : changed)
        if (c.after)
            expected[(QString::fromLatin1(name) + u'/' + QString::fromUtf8(c.key)).toCaseFolded()] =
                QString::fromUtf8(c.after);
    for (auto it = expected.cbegin(); it != expected.cend(); ++it)
        EXPECT_EQ(after.value(it.key(), QStringLiteral("missing")).toStdString(), it.value().toStdString())
            << it.key().toStdString();
}

class RoundTrip : public ::testing::Test
{
protected:
    ~RoundTrip() override
    {
        window.reset();
        CNetThread::WaitForAll(3000);
        waitForWorkers(3000);
    }
    QString configPath() const { return env.dataDir() + QStringLiteral("/MainConfA.ini"); }
    void open(const QByteArray& text)
    {
        window.reset();
        QDir().mkpath(env.dataDir());
        test::writeFile(configPath(), text);
        window = std::make_unique<CKorvalenDlg>(nullptr, 0);
    }
    QAbstractButton* button(QWidget* dialog, const char* name)
    {
        return test::control<QAbstractButton>(dialog, name);
    }
    // Runs `open` with `steps` working the dialog once it shows.
    void run(const std::function<QWidget*()>& dialog, const std::function<void()>& open,
             const std::function<void()>& steps)
    {
        bool ran = false;
        QTimer::singleShot(0, window.get(), [&] {
            ASSERT_TRUE(dialog() && dialog()->isVisible());
            steps();
            ran = true;
        });
        open();
        EXPECT_TRUE(ran);
    }

    test::ScopedEnvironment env;
    test::RecordingMessageBoxes messages;
    std::unique_ptr<CKorvalenDlg> window;
};

// Texts as long as a read gives back.
const std::string kLongPath = "/" + std::string(254, 'p');
const std::string kLongText = std::string(254, 'x') + "%";

// Values no dialog wrote this way, as a hand-edited or older file holds
// them. The box is disabled, so no check runs.
const std::initializer_list<Stored> kBox = {
    {"Text", "\"  Router ä;#=  \""},
    {"OnLineBoxColor", "-1", "4294967295"}, // read and written unsigned
    {"Port", "0x50", "80"},
    {"Logging", "2"},
    {"MsgBox", "-1", "255"}, // eight bits in the dialog
    {"UpPath", "/tmp/a b/it's \"q\".wav"},
    {"UpTextString", "\" %name is up \""},
    {"ExecFilePath", kLongPath.c_str()},
    {"ExecFileParam", "\"--x \"%name\" \""},
    {"ExecFileCheck", "2"},
    {"MsgBoxDesc", kLongText.c_str()},
    {"CheckInterval", "9999"},
    {"RunHideMode", "2"},
    {"Disabled", "1"},
};

TEST_F(RoundTrip, BoxPropertiesAndTheirSettingsDialogsStoreBackWhatTheyRead)
{
    for (const char* finish : {"btnOK", "btnApply"}) {
        SCOPED_TRACE(finish);
        open("[main]\nFirstStart=0\nNumBox=1\n" + section("Box 0", kBox));
        const QMap<QString, QString> before = storedValues(configPath());
        auto* dialog = static_cast<CBoxPropertiesDlg*>(window->m_dlgBoxProperties.data());
        window->m_nLastCommand = 32785; // edit
        window->m_nSelectedBox = 1;
        run([&] { return dialog; }, [&] { window->EditCheck(); },
            [&] {
                // Each settings dialog opened and left with OK.
                test::whenOpened<CPlaySoundSettings>(
                    dialog, [&](CPlaySoundSettings* d) { button(d, "buttonOK")->click(); });
                button(dialog, "btnSoundSettings")->click();
                test::whenOpened<CExecFile>(dialog, [&](CExecFile* d) { button(d, "buttonOK")->click(); });
                button(dialog, "btnExecSettings")->click();
                test::whenOpened<CMsgBoxSettings>(
                    dialog, [&](CMsgBoxSettings* d) { button(d, "buttonOK")->click(); });
                button(dialog, "btnMsgBoxSettings")->click();
                button(dialog, finish)->click();
                if (dialog->isVisible())
                    button(dialog, "btnCancel")->click();
            });
        EXPECT_TRUE(messages.shown.empty());
        expectKept(before, storedValues(configPath()), "Box 0", kBox);
    }
}

const std::initializer_list<Stored> kMain = {
    {"FirstStart", "0"},        {"NumBox", "0"},
    {"XBox", "1234", "300"}, // held to the range
    {"DCOBEFE", "2"},           {"DCOBEFParameters", kLongText.c_str()},
    {"ErrorDefaultSound", "2"}, {"HideTaskBarButton", "-1", "4294967295"}, // written unsigned
    {"EnableLog", "2"},         {"VolumeMute", "2"},
    {"LogFileType", "7"},       {"NetUserName", " me "},
};

TEST_F(RoundTrip, OptionsStoreBackWhatTheyRead)
{
    for (const char* finish : {"buttonOK", "buttonApply"}) {
        SCOPED_TRACE(finish);
        open(section("main", kMain));
        const QMap<QString, QString> before = storedValues(configPath());
        QWidget* dialog = nullptr;
        run([&] { return dialog = window->m_dlgOptions.data(); },
            [&] { trayAction(window->TrayMenu(), ID_TRAY_OPTIONS)->trigger(); },
            [&] {
                button(dialog, finish)->click();
                if (dialog->isVisible())
                    button(dialog, "buttonCancel")->click();
            });
        EXPECT_TRUE(messages.shown.empty());
        expectKept(before, storedValues(configPath()), "main", kMain);
    }
}

} // namespace
