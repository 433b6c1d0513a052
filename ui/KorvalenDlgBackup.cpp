#include "KorvalenDlg.h"

#include "platform/desktop/Dialogs.h"
#include "platform/desktop/MessageBox.h"
#include "platform/files/CopyFile.h"
#include "platform/files/ProfileWriter.h"

#include <QFile>
#include <QFileInfo>

namespace {

const QString kMain = QStringLiteral("main");
const QString kFilter = QStringLiteral("INI File (*.ini)");
// A configuration file is small; anything much bigger is not one.
constexpr qint64 kMaxConfigBytes = 16 * 1024 * 1024;

// Clears the busy flag however the command ends, unless the command goes on
// after it returns and clears the flag itself.
class BusyScope
{
public:
    explicit BusyScope(bool& flag) : m_flag(flag) { m_flag = true; }
    ~BusyScope()
    {
        if (!m_handedOver)
            m_flag = false;
    }
    void handOver() { m_handedOver = true; }

private:
    bool& m_flag;
    bool m_handedOver = false;
};

} // namespace

void CKorvalenDlg::ReloadConfiguration()
{
    ReleaseBoxes();
    NumBox = 0;
    LoadConfig();
    StartChecks();
}

void CKorvalenDlg::OnTrayBackupConfig()
{
    BusyScope busy(m_bBusy);
    const QString target = platform::dialogService().getSaveFileName(this, kFilter, QStringLiteral("ini"));
    if (target.isEmpty())
        return;
    // The copy carries the identity of a configuration file.
    if (m_iniConfig.GetString(kMain, QStringLiteral("App"), QString()) != QLatin1String("Korvalen"))
        m_iniConfig.WriteString(kMain, QStringLiteral("App"), QStringLiteral("Korvalen"));
    FlushSettings();
    QString error;
    if (!platform::copyFileReplacing(m_strConfigPath, target, &error))
        platform::AfxMessageBox(error, platform::MB_OK);
}

void CKorvalenDlg::OnTrayRestoreConfig()
{
    BusyScope busy(m_bBusy);
    const QString source = platform::dialogService().getOpenFileName(this, kFilter);
    if (source.isEmpty() || !QFileInfo::exists(source))
        return;
    const QFileInfo info(source);
    CIniFile chosen;
    chosen.SetFileName(source);
    const QString identity = info.isFile() && info.size() <= kMaxConfigBytes
                                 ? chosen.GetString(kMain, QStringLiteral("App"), QString())
                                 : QString();
    if (identity != QLatin1String("Ostrivel") && identity != QLatin1String("Korvalen")) {
        platform::MessageBoxW(QStringLiteral("Restored Config File is not valid."),
                              QStringLiteral("Korvalen"), platform::MB_OK | platform::MB_ICONWARNING);
        return;
    }
    // The running file is replaced only by a complete copy; a copy that
    // fails leaves it, and the boxes running from it, as they were.
    const QString target = m_strConfigPath;
    busy.handOver();
    ReplaceConfiguration([source, target] {
        QString error;
        return platform::copyFileReplacing(source, target, &error) ? QString() : error;
    });
}

void CKorvalenDlg::OnTrayResetConfig()
{
    BusyScope busy(m_bBusy);
    if (platform::MessageBoxW(QStringLiteral("Do you want to Reset Config File?"), QStringLiteral("Korvalen"),
                              platform::MB_YESNO | platform::MB_ICONQUESTION) != platform::IDYES)
        return;
    const QString target = m_strConfigPath;
    busy.handOver();
    ReplaceConfiguration([target] {
        return QFileInfo::exists(target) && !QFile::remove(target)
                   ? QStringLiteral("Can't delete MainConf?.ini file.")
                   : QString();
    });
}

void CKorvalenDlg::ReplaceConfiguration(std::function<QString()> replace)
{
    // The file is replaced by the settings writer, in order with the writes
    // it holds: the writes asked for before land on the file replaced, those
    // asked for after on the new one. The window goes on meanwhile; the
    // commands stay closed until the boxes run from the new file.
    m_bBusy = true;
    m_pSettingsWriter->replaceFile(std::move(replace), [this](const QString& error) {
        m_bBusy = false;
        // Told as the failed saves are, beside which it may stand: neither
        // waits for the other's answer.
        if (!error.isEmpty()) {
            platform::postMessageBox(error, QStringLiteral("Korvalen"), platform::MB_OK);
            return;
        }
        // Exit may answer a message while the replacement ends: the window
        // it ends stays closed.
        if (!m_bClosed)
            ReloadConfiguration();
    });
}
