#include "Resolver.h"

#include "NetErrors.h"

#include <QUrl>

#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <netdb.h>

namespace platform {

namespace {
QByteArray asciiHost(const QByteArray& host)
{
    for (char c : host)
        if (uchar(c) >= 0x80) {
            const QByteArray ace = QUrl::toAce(QString::fromUtf8(host));
            return ace.isEmpty() ? host : ace;
        }
    return host;
}
} // namespace

bool sameHost(const SocketAddress& a, const SocketAddress& b)
{
    if (a.family() != b.family())
        return false;
    if (a.family() == AF_INET)
        return reinterpret_cast<const sockaddr_in*>(&a.storage)->sin_addr.s_addr ==
               reinterpret_cast<const sockaddr_in*>(&b.storage)->sin_addr.s_addr;
    if (a.family() == AF_INET6)
        return std::memcmp(&reinterpret_cast<const sockaddr_in6*>(&a.storage)->sin6_addr,
                           &reinterpret_cast<const sockaddr_in6*>(&b.storage)->sin6_addr,
                           sizeof(in6_addr)) == 0;
    return false;
}

Resolution resolveIPv4(const QByteArray& host)
{
    in_addr dotted{};
    if (!parseIPv4(host, dotted))
        return resolveHost(host, AF_INET);
    Resolution result;
    SocketAddress address;
    auto* v4 = reinterpret_cast<sockaddr_in*>(&address.storage);
    v4->sin_family = AF_INET;
    v4->sin_addr = dotted;
    address.length = sizeof(sockaddr_in);
    result.addresses.push_back(address);
    return result;
}

bool parseIPv4(const QByteArray& text, in_addr& address)
{
    // inet_aton takes the forms inet_addr takes ("127.1", "0x7f.1" …).
    return !text.isEmpty() && !text.contains('\0') && ::inet_aton(text.constData(), &address) != 0;
}

Resolution resolveHost(const QByteArray& host, int family)
{
    Resolution result;
    const QByteArray name = asciiHost(host);
    if (name.isEmpty() || name.contains('\0')) {
        result.error = neterr::WSAHOST_NOT_FOUND;
        return result;
    }
    addrinfo hints{};
    hints.ai_family = family;
    hints.ai_socktype = SOCK_STREAM; // one entry per address
    addrinfo* list = nullptr;
    errno = 0;
    const int rc = ::getaddrinfo(name.constData(), nullptr, &hints, &list);
    if (rc != 0) {
        result.error = neterr::wsaFromGai(rc, errno);
        return result;
    }
    for (addrinfo* ai = list; ai; ai = ai->ai_next) {
        if (ai->ai_addrlen > sizeof(sockaddr_storage))
            continue;
        SocketAddress address;
        std::memcpy(&address.storage, ai->ai_addr, ai->ai_addrlen);
        address.length = ai->ai_addrlen;
        result.addresses.push_back(address);
    }
    ::freeaddrinfo(list);
    if (result.addresses.empty())
        result.error = neterr::WSANO_DATA;
    return result;
}

} // namespace platform
