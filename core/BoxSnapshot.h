#pragma once

#include "BoxRecord.h"

#include <QString>

#include <cstdint>

// The fields of a box that a notification worker reads, copied when the
// worker is started: the worker never touches the record itself, which the
// user may edit or delete meanwhile, and reports exactly the change that
// started it.
struct BoxSnapshot
{
    QString Text;
    QString IPAdress;
    int32_t VerifyMetod = METHOD_PING;
    int32_t IPv = 0;
    uint32_t Port = 0;
    int m_nStatus = STATUS_UNKNOWN;
    uint32_t m_dwLastValue = 0xFFFFFFFF;
    uint32_t m_dwLastCode = 0;
    QString MsgBoxDesc;
    QString Phrase;
    QString ExecFilePath;
    QString ExecFileParam;
    int32_t RunHideMode = 0;
};

BoxSnapshot snapshotOf(const BoxRecord& box);
