#include "NetTools.h"

#include "platform/net/Resolver.h"

#include <QHostAddress>

namespace platform {

QString bracketed(const QString& host)
{
    if (!host.contains(u':') || host.startsWith(u'['))
        return host;
    return u'[' + host + u']';
}

QStringList pingCommand(const QString& host, bool ipv6)
{
    QStringList command{QStringLiteral("ping")};
    if (ipv6)
        command << QStringLiteral("-6");
    return command << QStringLiteral("-c") << QStringLiteral("10") << QStringLiteral("--") << host;
}

QStringList traceRouteCommand(const QString& host, bool ipv6)
{
    QStringList command{QStringLiteral("traceroute")};
    if (ipv6)
        command << QStringLiteral("-6");
    return command << QStringLiteral("--") << host;
}

QStringList remoteDesktopCommand(ShellService& shell, const QString& host)
{
    // Both clients read a port after a colon, so an IPv6 address goes in
    // brackets. The host is part of one argument that starts with the
    // option's own text, so it can never be taken for another option.
    const QString freerdp = shell.findProgram(QStringLiteral("xfreerdp"));
    if (!freerdp.isEmpty())
        return {freerdp, QStringLiteral("/v:") + bracketed(host)};
    const QString remmina = shell.findProgram(QStringLiteral("remmina"));
    if (!remmina.isEmpty())
        return {remmina, QStringLiteral("-c"), QStringLiteral("rdp://") + bracketed(host)};
    return {};
}

FirstAddress resolveFirstAddress(const QString& host)
{
    const Resolution resolution = resolveHost(host.toUtf8(), AF_UNSPEC);
    if (resolution.addresses.empty())
        return {};
    const SocketAddress& first = resolution.addresses.front();
    if (first.family() == AF_INET)
        return {4, QHostAddress(first.get()).toString()};
    if (first.family() == AF_INET6)
        return {6, QHostAddress(first.get()).toString()};
    return {};
}

} // namespace platform
