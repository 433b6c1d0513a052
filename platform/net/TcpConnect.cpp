#include "TcpConnect.h"

#include "NetErrors.h"
#include "platform/Clock.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace platform {

namespace {
constexpr uint64_t kSliceMs = 100;
}

TcpSocket::~TcpSocket()
{
    close();
}

void TcpSocket::close()
{
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
}

uint32_t TcpSocket::create(int family)
{
    close();
    m_family = family;
    m_fd = ::socket(family, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    return m_fd < 0 ? neterr::wsaFromErrno(errno) : 0;
}

uint32_t TcpSocket::makeDualStack()
{
    const int off = 0;
    if (::setsockopt(m_fd, IPPROTO_IPV6, IPV6_V6ONLY, &off, sizeof off) != 0)
        return neterr::wsaFromErrno(errno);
    return 0;
}

uint32_t TcpSocket::connect(const SocketAddress& address, uint64_t deadlineNs, const std::atomic<bool>* stop)
{
    if (m_fd < 0)
        return neterr::WSAEINVAL;
    if (::connect(m_fd, address.get(), address.length) == 0)
        return 0;
    if (errno != EINPROGRESS)
        return neterr::wsaFromErrno(errno);
    for (;;) {
        if (stop && stop->load())
            return neterr::WSAEINTR;
        const uint64_t now = monotonicNanoseconds();
        if (now >= deadlineNs)
            return neterr::WSAETIMEDOUT;
        const uint64_t leftMs = (deadlineNs - now + 999999u) / 1000000u;
        pollfd pfd{m_fd, POLLOUT, 0};
        const int rc = ::poll(&pfd, 1, int(std::min(leftMs, kSliceMs)));
        if (rc < 0 && errno != EINTR)
            return neterr::wsaFromErrno(errno);
        if (rc <= 0)
            continue;
        int error = 0;
        socklen_t length = sizeof error;
        if (::getsockopt(m_fd, SOL_SOCKET, SO_ERROR, &error, &length) != 0)
            return neterr::wsaFromErrno(errno);
        return error == 0 ? 0 : neterr::wsaFromErrno(error);
    }
}

SocketAddress toIPv6(const SocketAddress& address)
{
    if (address.family() != AF_INET)
        return address;
    const auto* v4 = reinterpret_cast<const sockaddr_in*>(&address.storage);
    SocketAddress mapped;
    auto* v6 = reinterpret_cast<sockaddr_in6*>(&mapped.storage);
    v6->sin6_family = AF_INET6;
    v6->sin6_port = v4->sin_port;
    v6->sin6_addr.s6_addr[10] = 0xFF;
    v6->sin6_addr.s6_addr[11] = 0xFF;
    std::memcpy(&v6->sin6_addr.s6_addr[12], &v4->sin_addr, 4);
    mapped.length = sizeof(sockaddr_in6);
    return mapped;
}

void setPort(SocketAddress& address, uint16_t port)
{
    if (address.family() == AF_INET)
        reinterpret_cast<sockaddr_in*>(&address.storage)->sin_port = htons(port);
    else if (address.family() == AF_INET6)
        reinterpret_cast<sockaddr_in6*>(&address.storage)->sin6_port = htons(port);
}

} // namespace platform
