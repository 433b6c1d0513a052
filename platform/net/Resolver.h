#pragma once

#include <QByteArray>

#include <cstdint>
#include <netinet/in.h>
#include <sys/socket.h>
#include <vector>

namespace platform {

struct SocketAddress
{
    sockaddr_storage storage{};
    socklen_t length = 0;

    int family() const { return storage.ss_family; }
    const sockaddr* get() const { return reinterpret_cast<const sockaddr*>(&storage); }
};

struct Resolution
{
    std::vector<SocketAddress> addresses; // in the resolver's order
    uint32_t error = 0;                   // socket error number when there are none
};

// Resolves a host (a numeric address or a name; names that are not ASCII are
// turned into their ASCII form first). `family` is AF_INET, AF_INET6 or
// AF_UNSPEC. Thread-safe.
Resolution resolveHost(const QByteArray& host, int family);

// True when both name the same host (the ports are not compared).
bool sameHost(const SocketAddress& a, const SocketAddress& b);

// An IPv4 address for a host: a dotted address as it stands, without any
// lookup, else the first IPv4 address of the name.
Resolution resolveIPv4(const QByteArray& host);

// A dotted IPv4 address only, as inet_addr accepts it; false for anything else.
bool parseIPv4(const QByteArray& text, in_addr& address);

} // namespace platform
