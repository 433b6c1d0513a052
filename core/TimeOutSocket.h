#pragma once

#include "platform/net/TcpConnect.h"

#include <QByteArray>

#include <atomic>
#include <cstdint>

// A blocking IPv4 stream socket whose connect a timer can cancel: once the
// time given to StartTimer has passed, a connect under way fails with 10004.
class CTimeOutSocket
{
public:
    // 0 or the socket error number.
    uint32_t Create();
    void StartTimer(uint32_t milliseconds);
    void StopTimer();
    // Connects to a dotted address or a host name (a name that does not
    // resolve fails with 10022). 0 or the socket error number.
    uint32_t Connect(const QByteArray& host, uint32_t port, const std::atomic<bool>* stop);
    void Close();

    unsigned m_nTimerID = 0;

private:
    platform::TcpSocket m_socket;
    uint64_t m_deadlineNs = UINT64_MAX;
};
