#include "BoxSnapshot.h"

BoxSnapshot snapshotOf(const BoxRecord& box)
{
    BoxSnapshot s;
    s.Text = box.Text;
    s.IPAdress = box.IPAdress;
    s.VerifyMetod = box.VerifyMetod;
    s.IPv = box.IPv;
    s.Port = box.Port;
    s.m_nStatus = box.m_nStatus;
    s.m_dwLastValue = box.m_dwLastValue;
    s.m_dwLastCode = box.m_dwLastCode;
    s.MsgBoxDesc = box.MsgBoxDesc;
    s.Phrase = box.Phrase;
    s.ExecFilePath = box.ExecFilePath;
    s.ExecFileParam = box.ExecFileParam;
    s.RunHideMode = box.RunHideMode;
    return s;
}
