#pragma once

#include "BoxRecord.h"
#include "platform/net/Icmp.h"
#include "platform/net/UrlFetch.h"

#include <QByteArray>
#include <QString>

#include <atomic>
#include <cstdint>
#include <memory>

// The status a failed TCP connection gets from its socket error number.
int classifyTcpError(uint32_t error);
// The status a URL that could not be opened gets from its error number.
int classifyUrlOpenError(uint32_t error);

// Carries out one check of one target, turning whatever the network does
// into a status, a reply time and an error code. Owned and used by one check
// thread; its ICMP handle lives as long as the thread.
class CNetProbe
{
public:
    CNetProbe() = default;
    CNetProbe(const CNetProbe&) = delete;
    CNetProbe& operator=(const CNetProbe&) = delete;

    int PingV4(const QByteArray& target);
    int PingV6(const QByteArray& target);
    int TcpConnectV4(const QByteArray& target, uint32_t port);
    int TcpConnectV6(const QByteArray& target, uint32_t port);
    int CheckUrl(const QByteArray& target, const QString& phrase);

    // Closes what the thread kept open.
    void CloseHandles();

    std::unique_ptr<platform::IcmpHandle> m_hIcmp;
    uint32_t m_dwReplyTime = 0xFFFFFFFF;
    uint32_t m_dwLastError = 0;

    // A stop request of the owning thread: waits inside a check end early.
    const std::atomic<bool>* m_pStop = nullptr;
    platform::UrlFetchOptions m_urlOptions;
    // TCP over IPv6 has no time-out of its own; this is the system connect
    // time-out it relies on (21 s on Windows, two minutes on Linux).
    uint32_t m_nTcpV6TimeoutMs = 21000;

private:
    void begin();
    uint32_t openIcmp(int family);
};
