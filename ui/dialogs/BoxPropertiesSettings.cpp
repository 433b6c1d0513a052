#include "BoxPropertiesDlg.h"

#include "DialogRun.h"
#include "ExecFile.h"
#include "MsgBoxSettings.h"
#include "PlaySoundSettings.h"

// The three settings dialogs of the box properties dialog. Each is built for
// one run, filled from the values here, run modal to this dialog only, and
// read back only after OK.

void CBoxPropertiesDlg::OnBnClickedSoundSettings()
{
    DoDataExchange(true);
    CPlaySoundSettings dlg(this);
    dlg.m_strBoxName = Text;
    dlg.m_nMethod = VerifyMetod;
    dlg.m_strSoundFile = {UpPath, DownPath, OpenPath, ClosePath, TcpDownPath};
    dlg.m_strSpeechText = {UpTextString, DownTextString, OpenTextString, CloseTextString, TDownTextString};
    dlg.m_bCustomSound = CPlaySoundSettings::FlagsFromMask(CustomSoundCheck);
    dlg.m_bSpeech = CPlaySoundSettings::FlagsFromMask(SpeechTextCheck);
    dlg.OnInitDialog();
    if (runSubDialog(&dlg) != QDialog::Accepted)
        return;
    UpPath = dlg.m_strSoundFile[CPlaySoundSettings::ROW_UP];
    DownPath = dlg.m_strSoundFile[CPlaySoundSettings::ROW_DOWN];
    OpenPath = dlg.m_strSoundFile[CPlaySoundSettings::ROW_OPEN];
    ClosePath = dlg.m_strSoundFile[CPlaySoundSettings::ROW_CLOSE];
    TcpDownPath = dlg.m_strSoundFile[CPlaySoundSettings::ROW_TCP_DOWN];
    UpTextString = dlg.m_strSpeechText[CPlaySoundSettings::ROW_UP];
    DownTextString = dlg.m_strSpeechText[CPlaySoundSettings::ROW_DOWN];
    OpenTextString = dlg.m_strSpeechText[CPlaySoundSettings::ROW_OPEN];
    CloseTextString = dlg.m_strSpeechText[CPlaySoundSettings::ROW_CLOSE];
    TDownTextString = dlg.m_strSpeechText[CPlaySoundSettings::ROW_TCP_DOWN];
    CustomSoundCheck = CPlaySoundSettings::MaskFromFlags(dlg.m_bCustomSound);
    SpeechTextCheck = CPlaySoundSettings::MaskFromFlags(dlg.m_bSpeech);
}

void CBoxPropertiesDlg::OnBnClickedExecSettings()
{
    // No exchange first: the program dialog gets the values of the last one.
    CExecFile dlg(this);
    dlg.m_strFile = ExecFilePath;
    dlg.m_strParameters = ExecFileParam;
    dlg.m_bStatus = CExecFile::FlagsFromMask(ExecFileStatusCheck);
    dlg.m_nMethod = VerifyMetod;
    dlg.m_strBoxName = Text;
    dlg.m_nPort = Port;
    dlg.m_strTarget = IPAdress;
    dlg.m_nCount = nEF;
    dlg.m_nInterval = CheckInterval;
    dlg.m_bRunHidden = RunHideMode;
    dlg.OnInitDialog();
    if (runSubDialog(&dlg) != QDialog::Accepted)
        return;
    ExecFilePath = dlg.m_strFile;
    ExecFileParam = dlg.m_strParameters;
    ExecFileStatusCheck = CExecFile::MaskFromFlags(dlg.m_bStatus);
    nEF = dlg.m_nCount;
    RunHideMode = dlg.m_bRunHidden;
}

void CBoxPropertiesDlg::OnBnClickedMsgBoxSettings()
{
    DoDataExchange(true);
    CMsgBoxSettings dlg(this);
    dlg.m_strDescription = MsgBoxDesc;
    dlg.m_strBoxName = Text;
    dlg.OnInitDialog();
    if (runSubDialog(&dlg) == QDialog::Accepted)
        MsgBoxDesc = dlg.m_strDescription;
}
