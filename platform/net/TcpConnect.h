#pragma once

#include "Resolver.h"

#include <atomic>
#include <cstdint>

namespace platform {

// One stream socket for one connection attempt, closed when it goes.
class TcpSocket
{
public:
    TcpSocket() = default;
    ~TcpSocket();
    TcpSocket(const TcpSocket&) = delete;
    TcpSocket& operator=(const TcpSocket&) = delete;

    // Creates the socket; a dual-stack IPv6 socket also reaches IPv4
    // addresses. 0 or the socket error number.
    uint32_t create(int family);
    uint32_t makeDualStack();

    // Connects before the deadline (a monotonic time in nanoseconds). 0 on
    // success; 10060 when the deadline passed; 10004 when `stop` was set;
    // else the socket error number (10061 refused …).
    uint32_t connect(const SocketAddress& address, uint64_t deadlineNs, const std::atomic<bool>* stop);

    void close();

private:
    int m_fd = -1;
    int m_family = 0;
};

// The address as an IPv4-mapped IPv6 address when it is IPv4, for a
// dual-stack socket.
SocketAddress toIPv6(const SocketAddress& address);

void setPort(SocketAddress& address, uint16_t port);

} // namespace platform
