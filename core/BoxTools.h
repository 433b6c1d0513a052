#pragma once

#include "BoxSnapshot.h"

#include <QString>

#include <cstdint>

// What the tools of a box's context menu act on, and the texts of its status
// information. No widgets and no programs are started here.
namespace boxtools {

// The host a tool works on: a URL box's server, else the target as typed.
QString toolHost(const BoxSnapshot& box);

// The address the web tool opens: a URL box's URL, else the target as
// "http://host/", an IPv6 address in brackets.
QString webAddress(const BoxSnapshot& box);
// "ftp://host" with the server of a URL box (without its port) or the target,
// an IPv6 address in brackets.
QString ftpAddress(const BoxSnapshot& box);
// The root of a host's file shares, "smb://host/"; a host with colons (an
// IPv6 address) in brackets.
QString shareAddress(const QString& host);

// The message of the status information: name, status word and the text of
// the box's error code.
QString statusInformation(const QString& name, int status, int method, uint32_t code);

} // namespace boxtools
