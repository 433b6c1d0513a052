#include "NetProbe.h"

#include "MainSettings.h"
#include "TimeOutSocket.h"
#include "platform/Clock.h"
#include "platform/desktop/MessageBox.h"
#include "platform/files/TextCodec.h"
#include "platform/net/NetErrors.h"
#include "platform/net/PingPermission.h"
#include "platform/net/TcpConnect.h"
#include "platform/net/UrlFetch.h"

#include <atomic>

#include <netinet/in.h>
#include <sys/socket.h>

namespace {

bool validPort(uint32_t port)
{
    return port >= 1 && port <= 65535;
}

} // namespace

int classifyTcpError(uint32_t error)
{
    switch (error) {
    case neterr::WSAEINVAL:
    case neterr::WSAEADDRNOTAVAIL:
    case neterr::WSAHOST_NOT_FOUND:
        return STATUS_IP_ERROR;
    case neterr::WSAENETDOWN:
        return STATUS_NET_ERROR;
    case neterr::WSAEINTR:
    case neterr::WSAETIMEDOUT:
    case neterr::WSAEHOSTDOWN:
        return STATUS_DOWN;
    case neterr::WSAECONNREFUSED:
        return STATUS_CLOSE;
    default:
        return STATUS_NET_ERROR;
    }
}

int classifyUrlOpenError(uint32_t error)
{
    switch (error) {
    case neterr::ERROR_INTERNET_CANNOT_CONNECT:
        return STATUS_DOWN;
    case neterr::ERROR_INTERNET_INVALID_URL:
    case neterr::ERROR_INTERNET_UNRECOGNIZED_SCHEME:
    case neterr::ERROR_INTERNET_NAME_NOT_RESOLVED:
    case neterr::ERROR_INVALID_NAME:
        return STATUS_IP_ERROR;
    default:
        return STATUS_NET_ERROR;
    }
}

void CNetProbe::begin()
{
    m_dwLastError = 0;
    m_dwReplyTime = 0xFFFFFFFF;
}

namespace {

// Says once per run, from whichever check thread meets it first, why every
// ping box shows NET ERROR 10013 and how to allow ping.
void tellPingNotAllowed()
{
    static std::atomic<bool> told{false};
    if (!told.exchange(true))
        platform::postMessageBox(platform::pingNotAllowedMessage(), QStringLiteral("Korvalen"),
                                 platform::MB_OK | platform::MB_ICONWARNING);
}

} // namespace

uint32_t CNetProbe::openIcmp(int family)
{
    if (m_hIcmp && m_hIcmp->family() != family)
        m_hIcmp.reset();
    if (!m_hIcmp)
        m_hIcmp = std::make_unique<platform::IcmpHandle>(family);
    const uint32_t error = m_hIcmp->open();
    if (m_hIcmp->notAllowed())
        tellPingNotAllowed();
    return error;
}

void CNetProbe::CloseHandles()
{
    m_hIcmp.reset();
    platform::releaseThreadUrlHandle();
}

int CNetProbe::PingV4(const QByteArray& target)
{
    begin();
    const platform::Resolution resolved = platform::resolveIPv4(target);
    if (resolved.addresses.empty()) {
        m_dwLastError = resolved.error;
        return STATUS_IP_ERROR;
    }
    const platform::SocketAddress address = resolved.addresses.front();
    if (const uint32_t error = openIcmp(AF_INET)) {
        m_dwLastError = error;
        return STATUS_NET_ERROR;
    }
    platform::EchoReply reply;
    uint32_t error = 0;
    const bool answered = m_hIcmp->sendEcho(address, QByteArray(1, '\0'), g_nTimeOut, m_pStop, reply, error);
    m_dwLastError = answered ? reply.status : error;
    if (!answered)
        return error == neterr::IP_REQ_TIMED_OUT ? STATUS_DOWN : STATUS_NET_ERROR;
    if (reply.status != neterr::IP_SUCCESS || !platform::sameHost(reply.from, address) || !reply.dataMatches)
        return STATUS_DOWN;
    m_dwReplyTime = reply.roundTripMs;
    return STATUS_UP;
}

int CNetProbe::PingV6(const QByteArray& target)
{
    begin();
    const platform::Resolution resolved = platform::resolveHost(target, AF_UNSPEC);
    if (resolved.addresses.empty()) {
        m_dwLastError = resolved.error;
        return STATUS_IP_ERROR;
    }
    if (resolved.addresses.front().family() != AF_INET6)
        return STATUS_IP_ERROR;
    if (const uint32_t error = openIcmp(AF_INET6)) {
        m_dwLastError = error;
        return STATUS_NET_ERROR;
    }
    platform::EchoReply reply;
    uint32_t error = 0;
    const bool answered =
        m_hIcmp->sendEcho(resolved.addresses.front(), QByteArray(), g_nTimeOut, m_pStop, reply, error);
    m_dwLastError = answered ? reply.status : error;
    if (!answered)
        return error == neterr::IP_REQ_TIMED_OUT ? STATUS_DOWN : STATUS_NET_ERROR;
    // An ICMPv6 error (a router saying the host is unreachable) is no sign
    // of life: only a real echo reply counts as Up.
    if (reply.status != neterr::IP_SUCCESS)
        return STATUS_DOWN;
    m_dwReplyTime = reply.roundTripMs;
    return STATUS_UP;
}

int CNetProbe::TcpConnectV4(const QByteArray& target, uint32_t port)
{
    begin();
    if (!validPort(port)) {
        m_dwLastError = neterr::WSAEINVAL;
        return STATUS_IP_ERROR;
    }
    CTimeOutSocket socket;
    if (const uint32_t error = socket.Create()) {
        m_dwLastError = error;
        return STATUS_NET_ERROR;
    }
    socket.StartTimer(g_nTimeOut);
    const uint64_t start = platform::monotonicNanoseconds();
    const uint32_t error = socket.Connect(target, port, m_pStop);
    const uint64_t end = platform::monotonicNanoseconds();
    socket.StopTimer();
    socket.Close();
    if (error == 0) {
        m_dwReplyTime = platform::elapsedMilliseconds(start, end);
        return STATUS_UP;
    }
    m_dwLastError = error;
    const int status = classifyTcpError(error);
    if (error == neterr::WSAEINTR)
        m_dwLastError = neterr::WSAETIMEDOUT;
    if (status == STATUS_CLOSE)
        m_dwReplyTime = platform::elapsedMilliseconds(start, end);
    return status;
}

int CNetProbe::TcpConnectV6(const QByteArray& target, uint32_t port)
{
    begin();
    if (!validPort(port)) {
        m_dwLastError = neterr::WSAEINVAL;
        return STATUS_IP_ERROR;
    }
    platform::TcpSocket socket;
    if (const uint32_t error = socket.create(AF_INET6)) {
        m_dwLastError = error;
        return STATUS_NET_ERROR;
    }
    if (const uint32_t error = socket.makeDualStack()) {
        m_dwLastError = error;
        return STATUS_NET_ERROR;
    }
    const uint64_t start = platform::monotonicNanoseconds();
    const uint64_t deadline = start + uint64_t(m_nTcpV6TimeoutMs) * 1000000u;
    // Like connecting by name: every address of the name in turn, IPv4 ones
    // through the dual-stack socket, until one connects.
    const platform::Resolution resolved = platform::resolveHost(target, AF_UNSPEC);
    uint32_t error = resolved.error;
    for (size_t i = 0; i < resolved.addresses.size(); ++i) {
        if (i > 0 && ((error = socket.create(AF_INET6)) || (error = socket.makeDualStack())))
            break;
        platform::SocketAddress address = platform::toIPv6(resolved.addresses[i]);
        platform::setPort(address, uint16_t(port));
        error = socket.connect(address, deadline, m_pStop);
        if (error == 0 || error == neterr::WSAEINTR || platform::monotonicNanoseconds() >= deadline)
            break;
    }
    const uint64_t end = platform::monotonicNanoseconds();
    socket.close();
    m_dwReplyTime = platform::elapsedMilliseconds(start, end);
    m_dwLastError = error;
    return error == 0 ? STATUS_UP : classifyTcpError(error);
}

int CNetProbe::CheckUrl(const QByteArray& target, const QString& phrase)
{
    begin();
    const uint64_t start = platform::monotonicNanoseconds();
    const platform::UrlFetchResult fetched = platform::fetchUrl(target, m_pStop, m_urlOptions);
    if (fetched.error != 0) {
        m_dwLastError = fetched.error;
        // An error after the server answered broke off the reading of the page.
        return fetched.opened ? STATUS_DOWN : classifyUrlOpenError(fetched.error);
    }
    const uint64_t end = platform::monotonicNanoseconds();
    m_dwReplyTime = platform::elapsedMilliseconds(start, end);
    return platform::decodePage(fetched.body, fetched.contentType).contains(phrase) ? STATUS_UP : STATUS_DOWN;
}
