#include "KorvalenDlg.h"

#include "platform/desktop/Dialogs.h"
#include "platform/desktop/MessageBox.h"
#include "platform/files/CopyFile.h"
#include "platform/files/PrivateProfile.h"
#include "platform/files/ProfileWriter.h"

#include <QDir>
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
    // The program may have been asked to end while the picker was open.
    if (target.isEmpty() || m_bClosed)
        return;
    // The copy carries the identity of a configuration file.
    if (m_iniConfig.GetString(kMain, QStringLiteral("App"), QString()) != QLatin1String("Korvalen"))
        m_iniConfig.WriteString(kMain, QStringLiteral("App"), QStringLiteral("Korvalen"));
    // Made by the settings writer, in order with the writes it holds, so
    // the copy holds them too, written yet or not.
    busy.handOver();
    m_pSettingsWriter->copyTo(
        target,
        QStringLiteral("the configuration was not backed up to %1").arg(QDir::toNativeSeparators(target)),
        [this](const QString& error) { ConfigurationCommandEnded(error); });
}

void CKorvalenDlg::OnTrayRestoreConfig()
{
    BusyScope busy(m_bBusy);
    const QString source = platform::dialogService().getOpenFileName(this, kFilter);
    if (source.isEmpty() || m_bClosed || !QFileInfo::exists(source))
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
    ReplaceConfiguration(
        QStringLiteral("the configuration was not restored from %1").arg(QDir::toNativeSeparators(source)),
        [source, target] {
            QString error;
            return platform::copyFileReplacing(source, target, &error) ? QString() : error;
        });
}

void CKorvalenDlg::OnTrayResetConfig()
{
    BusyScope busy(m_bBusy);
    if (platform::MessageBoxW(QStringLiteral("Do you want to Reset Config File?"), QStringLiteral("Korvalen"),
                              platform::MB_YESNO | platform::MB_ICONQUESTION) != platform::IDYES ||
        m_bClosed)
        return;
    const QString target = platform::profileFilePath(m_strConfigPath);
    busy.handOver();
    ReplaceConfiguration(QStringLiteral("the configuration was not reset"), [target] {
        return QFileInfo::exists(target) && !QFile::remove(target)
                   ? QStringLiteral("Can't delete MainConf?.ini file.")
                   : QString();
    });
}

void CKorvalenDlg::ReplaceConfiguration(const QString& lost, std::function<QString()> replace)
{
    // The file is replaced by the settings writer, in order with the writes
    // it holds: the writes asked for before land on the file replaced, those
    // asked for after on the new one. The window goes on meanwhile; the
    // commands stay closed until the boxes run from the new file.
    m_bBusy = true;
    m_pSettingsWriter->replaceFile(lost, std::move(replace), [this](const QString& error) {
        // Exit may answer a message while the replacement ends: the window
        // it ends stays closed.
        if (ConfigurationCommandEnded(error) && !m_bClosed)
            ReloadConfiguration();
    });
}

bool CKorvalenDlg::ConfigurationCommandEnded(const QString& error)
{
    m_bBusy = false;
    if (error.isEmpty())
        return true;
    // Once the window has closed, the end says it with what is lost.
    if (m_bClosed) {
        m_endErrors << error;
        return false;
    }
    // Told as the failed saves are, beside which it may stand: neither
    // waits for the other's answer.
    platform::postMessageBox(error, QStringLiteral("Korvalen"), platform::MB_OK);
    return false;
}
