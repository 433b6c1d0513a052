#include "KorvalenDlg.h"

#include "platform/CopyFile.h"
#include "platform/Dialogs.h"
#include "platform/MessageBox.h"
#include "platform/ProfileWriter.h"

#include <QFile>
#include <QFileInfo>

namespace {

const QString kMain = QStringLiteral("main");
const QString kFilter = QStringLiteral("INI File (*.ini)");
// A configuration file is small; anything much bigger is not one.
constexpr qint64 kMaxConfigBytes = 16 * 1024 * 1024;

// Clears the busy flag however the command ends.
class BusyScope
{
public:
    explicit BusyScope(bool& flag) : m_flag(flag) { m_flag = true; }
    ~BusyScope() { m_flag = false; }

private:
    bool& m_flag;
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
    // What the running file still waits for goes in first, as it was asked
    // for before; whatever could not be written is replaced with the rest.
    FlushSettings();
    QString error;
    if (!platform::copyFileReplacing(source, m_strConfigPath, &error)) {
        platform::AfxMessageBox(error, platform::MB_OK);
        return;
    }
    m_pSettingsWriter->discard();
    ReloadConfiguration();
}

void CKorvalenDlg::OnTrayResetConfig()
{
    BusyScope busy(m_bBusy);
    if (platform::MessageBoxW(QStringLiteral("Do you want to Reset Config File?"), QStringLiteral("Korvalen"),
                              platform::MB_YESNO | platform::MB_ICONQUESTION) != platform::IDYES)
        return;
    FlushSettings();
    if (QFileInfo::exists(m_strConfigPath) && !QFile::remove(m_strConfigPath)) {
        platform::AfxMessageBox(QStringLiteral("Can't delete MainConf?.ini file."), platform::MB_OK);
        return;
    }
    m_pSettingsWriter->discard();
    ReloadConfiguration();
}
