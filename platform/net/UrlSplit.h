#pragma once

#include <QString>

#include <cstdint>

namespace platform {

// Service types of a split URL.
enum : uint32_t
{
    AFX_INET_SERVICE_FTP = 1,
    AFX_INET_SERVICE_GOPHER = 2,
    AFX_INET_SERVICE_HTTP = 3,
    AFX_INET_SERVICE_UNK = 0x1000,
    AFX_INET_SERVICE_FILE = AFX_INET_SERVICE_UNK + 1,
    AFX_INET_SERVICE_MAILTO = AFX_INET_SERVICE_UNK + 2,
    AFX_INET_SERVICE_NEWS = AFX_INET_SERVICE_UNK + 5,
    AFX_INET_SERVICE_TELNET = AFX_INET_SERVICE_UNK + 8,
    AFX_INET_SERVICE_HTTPS = AFX_INET_SERVICE_UNK + 11,
};

// Splits "scheme://[user[:password]@]server[:port][/object]". False, with the
// service unknown and everything else empty or 0, when the text is no such
// URL. A URL that names no port gets the scheme's default (http 80, https
// 443, ftp 21 …); the object is "/" when the URL has none.
bool AfxParseURL(const QString& url, uint32_t& serviceType, QString& server, QString& object, uint16_t& port);

} // namespace platform
