#include "KorvalenDlg.h"

#include "core/ConfigKeys.h"
#include "platform/files/PrivateProfile.h"
#include "platform/sound/Sound.h"
#include "ui/dialogs/PropertiesDlg.h"

#include <algorithm>

// The Options dialog's side of the main window: filling it from the held
// settings, and taking its values back on Apply or OK.

namespace {

const QString kMain = QStringLiteral("main");

QString keyOf(MainKey key)
{
    return QString::fromLatin1(mainKey(key).name);
}

} // namespace

void CKorvalenDlg::OnTrayOptions()
{
    auto* dlg = qobject_cast<CPropertiesDlg*>(m_dlgOptions.data());
    if (dlg && dlg->isVisible()) {
        dlg->raise();
        dlg->activateWindow();
        return;
    }
    if (!dlg) {
        // No parent widget: a picker opened from the dialog is then modal to
        // the dialog only and never blocks the strip.
        dlg = new CPropertiesDlg(nullptr);
        m_dlgOptions = dlg;
    }
    dlg->SetParentWindow(m_hWnd);
    dlg->m_nXBox = uint32_t(XBox);
    dlg->m_nYBox = uint32_t(YBox);
    dlg->m_nTimeOut = g_nTimeOut;
    dlg->m_nVerifyTime = g_nVerifyTime;
    dlg->m_bShowIPandMethod = m_bShowIPandMethod != 0;
    dlg->m_bShowStatus = m_bShowStatus != 0;
    dlg->m_bShowReplyTime = m_bShowReplyTime;
    dlg->ShowOnLineOffLineTime = ShowOnLineOffLineTime;
    dlg->m_bDCOBEFE = DCOBEFE;
    dlg->m_strDCOBEFPath = DCOBEFPath;
    dlg->m_strDCOBEFParameters = DCOBEFParameters;
    dlg->m_bErrorDefaultSound = ErrorDefaultSound;
    dlg->m_strPlayErrorDefSoundPath = PlayErrorDefSoundPath;
    dlg->m_bErrorTextSpeechSound = ErrorTextSpeechSound;
    dlg->m_strErrorTextSpeechText = ErrorTextSpeechText;
    dlg->m_bHideTaskBarButton = HideTaskBarButton;
    dlg->m_bEnableLog = EnableLog;
    dlg->m_bVolumeMute = VolumeMute;
    dlg->m_dwVolume = Volume;
    // Any value but 0 writes tab-separated lines: the dialog shows it as CSV
    // and hands it back as it is unless the user picks the other format.
    dlg->m_nLogFileType = g_nLogFileType;
    dlg->AutoUpdate = AutoUpdate;
    dlg->m_nInstance = m_nInstance;

    if (dlg->DoModal(this) == QDialog::Accepted) {
        OnApplyOptions(0, 0);
        return;
    }
    // The z-order mode is applied again, and the volume the dialog may have
    // changed for its preview goes back to the held one.
    if (WinBeh == 0)
        raise();
    else if (WinBeh == 2)
        lower();
    platform::setOutputVolume(VolumeMute != 0 ? 0 : std::min<uint32_t>(Volume, 65535));
}

platform::LRESULT CKorvalenDlg::OnApplyOptions(platform::WPARAM, platform::LPARAM)
{
    auto* dlg = qobject_cast<CPropertiesDlg*>(m_dlgOptions.data());
    if (!dlg)
        return 0;
    XBox = int32_t(dlg->m_nXBox);
    YBox = int32_t(dlg->m_nYBox);
    g_nTimeOut = dlg->m_nTimeOut;
    g_nVerifyTime = dlg->m_nVerifyTime;
    m_bShowIPandMethod = dlg->m_bShowIPandMethod != 0;
    m_bShowStatus = dlg->m_bShowStatus != 0;
    m_bShowReplyTime = dlg->m_bShowReplyTime != 0;
    ShowOnLineOffLineTime = uint8_t(dlg->ShowOnLineOffLineTime);
    DCOBEFE = dlg->m_bDCOBEFE;
    DCOBEFPath = dlg->m_strDCOBEFPath;
    DCOBEFParameters = dlg->m_strDCOBEFParameters;
    ErrorDefaultSound = dlg->m_bErrorDefaultSound;
    PlayErrorDefSoundPath = dlg->m_strPlayErrorDefSoundPath;
    ErrorTextSpeechSound = dlg->m_bErrorTextSpeechSound;
    ErrorTextSpeechText = dlg->m_strErrorTextSpeechText;
    EnableLog = dlg->m_bEnableLog;
    VolumeMute = dlg->m_bVolumeMute;
    Volume = dlg->m_dwVolume;
    g_nLogFileType = dlg->m_nLogFileType;
    AutoUpdate = dlg->AutoUpdate;

    if (dlg->m_bHideTaskBarButton != HideTaskBarButton) {
        HideTaskBarButton = dlg->m_bHideTaskBarButton;
        // The flags change with the frameless and z-order ones kept; the
        // window is shown again either way.
        hide();
        ApplyWindowFlags();
        show();
    }
    ResizeToBoxes();

    {
        platform::ProfileBatch batch(m_iniConfig.FileName());
        m_iniConfig.WriteDWORD(kMain, keyOf(MainKey::HideTaskBarButton), uint32_t(HideTaskBarButton));
        // Written back unchanged, as unsigned: a negative value read from an
        // older file is written as its 32-bit pattern.
        m_iniConfig.WriteDWORD(kMain, keyOf(MainKey::ErrorSound), uint32_t(ErrorSound));
        m_iniConfig.WriteDWORD(kMain, keyOf(MainKey::ErrorDefaultSound), uint32_t(ErrorDefaultSound));
        m_iniConfig.WriteString(kMain, keyOf(MainKey::PlayErrorDefSoundPath), PlayErrorDefSoundPath);
        m_iniConfig.WriteInt(kMain, keyOf(MainKey::DCOBEFE), DCOBEFE);
        m_iniConfig.WriteString(kMain, keyOf(MainKey::DCOBEFPath), DCOBEFPath);
        m_iniConfig.WriteString(kMain, keyOf(MainKey::DCOBEFParameters), DCOBEFParameters);
        m_iniConfig.WriteInt(kMain, keyOf(MainKey::XBox), XBox);
        m_iniConfig.WriteInt(kMain, keyOf(MainKey::YBox), YBox);
        m_iniConfig.WriteInt(kMain, keyOf(MainKey::VerifyTime), int32_t(g_nVerifyTime.load()));
        m_iniConfig.WriteInt(kMain, keyOf(MainKey::TimeOut), int32_t(g_nTimeOut.load()));
        m_iniConfig.WriteInt(kMain, keyOf(MainKey::ShowOnLineOffLineTime), ShowOnLineOffLineTime);
        m_iniConfig.WriteInt(kMain, keyOf(MainKey::EnableLog), EnableLog);
        m_iniConfig.WriteInt(kMain, keyOf(MainKey::ShowUpDownTime), m_bShowReplyTime ? 0 : 1);
        m_iniConfig.WriteInt(kMain, keyOf(MainKey::ShowIPandMethodX), m_bShowIPandMethod != 0 ? 0 : 1);
        m_iniConfig.WriteInt(kMain, keyOf(MainKey::ShowStatusX), m_bShowStatus != 0 ? 0 : 1);
        m_iniConfig.WriteInt(kMain, keyOf(MainKey::ErrorTextSpeechSound), ErrorTextSpeechSound);
        m_iniConfig.WriteString(kMain, keyOf(MainKey::ErrorTextSpeechText), ErrorTextSpeechText);
        m_iniConfig.WriteInt(kMain, keyOf(MainKey::VolumeMute), VolumeMute);
        m_iniConfig.WriteDWORD(kMain, keyOf(MainKey::Volume), Volume);
        m_iniConfig.WriteInt(kMain, keyOf(MainKey::LogFileType), g_nLogFileType);
        m_iniConfig.WriteInt(kMain, keyOf(MainKey::AutoUpdate), AutoUpdate);
        if (!batch.commit())
            ReportUnsavedSettings();
    }

    if (dlg->isVisible())
        dlg->activateWindow();
    return 0;
}
