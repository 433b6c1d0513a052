#pragma once

#include "platform/programs/Shell.h"

#include <QString>
#include <QStringList>

// The network tools of a box: ping and trace route in a terminal, and the
// remote-desktop client. Each host is one argument of its own.
namespace platform {

// A host as it stands in a URL or after a switch: an IPv6 address in
// brackets, a name or an IPv4 address as it is.
QString bracketed(const QString& host);

// "ping -c 10 -- HOST" (with -6 for an IPv6 box).
QStringList pingCommand(const QString& host, bool ipv6);
// "traceroute -- HOST" (with -6 for an IPv6 box).
QStringList traceRouteCommand(const QString& host, bool ipv6);

// The remote-desktop client found first (xfreerdp, then remmina) with its
// arguments for the host; empty when none is installed.
QStringList remoteDesktopCommand(ShellService& shell, const QString& host);

// The first address a host resolves to: its IP version (4 or 6, 0 when the
// host does not resolve) and the address as text.
struct FirstAddress
{
    int version = 0;
    QString text;
};
FirstAddress resolveFirstAddress(const QString& host);

// The Debian packages that bring the programs, for the messages that say
// what to install.
inline constexpr const char* kTerminalPackages = "xterm";
inline constexpr const char* kPingPackage = "iputils-ping";
inline constexpr const char* kTraceRoutePackage = "traceroute";
inline constexpr const char* kRemoteDesktopPackages = "freerdp2-x11 or remmina";

} // namespace platform
