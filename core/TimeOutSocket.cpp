#include "TimeOutSocket.h"

#include "platform/Clock.h"
#include "platform/net/NetErrors.h"

#include <cstring>
#include <netinet/in.h>
#include <sys/socket.h>

uint32_t CTimeOutSocket::Create()
{
    return m_socket.create(AF_INET);
}

void CTimeOutSocket::StartTimer(uint32_t milliseconds)
{
    static std::atomic<unsigned> nextTimer{1};
    m_nTimerID = nextTimer++;
    m_deadlineNs = platform::monotonicNanoseconds() + uint64_t(milliseconds) * 1000000u;
}

void CTimeOutSocket::StopTimer()
{
    m_nTimerID = 0;
    m_deadlineNs = UINT64_MAX;
}

uint32_t CTimeOutSocket::Connect(const QByteArray& host, uint32_t port, const std::atomic<bool>* stop)
{
    const platform::Resolution resolved = platform::resolveIPv4(host);
    if (resolved.addresses.empty())
        return neterr::WSAEINVAL; // as the framework's connect fails for a name it cannot resolve
    platform::SocketAddress address = resolved.addresses.front();
    platform::setPort(address, uint16_t(port));
    const uint32_t error = m_socket.connect(address, m_deadlineNs, stop);
    // The deadline is the timer cancelling the blocking call.
    return error == neterr::WSAETIMEDOUT && m_deadlineNs != UINT64_MAX &&
                   platform::monotonicNanoseconds() >= m_deadlineNs
               ? neterr::WSAEINTR
               : error;
}

void CTimeOutSocket::Close()
{
    m_socket.close();
}
