#include "UrlSplit.h"

namespace platform {

namespace {

struct Scheme
{
    const char* name;
    uint32_t service;
    uint16_t port;
};

constexpr Scheme kSchemes[] = {
    {"http", AFX_INET_SERVICE_HTTP, 80},     {"https", AFX_INET_SERVICE_HTTPS, 443},
    {"ftp", AFX_INET_SERVICE_FTP, 21},       {"gopher", AFX_INET_SERVICE_GOPHER, 70},
    {"telnet", AFX_INET_SERVICE_TELNET, 23}, {"file", AFX_INET_SERVICE_FILE, 0},
    {"news", AFX_INET_SERVICE_NEWS, 119},
};

} // namespace

bool AfxParseURL(const QString& url, uint32_t& serviceType, QString& server, QString& object, uint16_t& port)
{
    serviceType = AFX_INET_SERVICE_UNK;
    server.clear();
    object.clear();
    port = 0;

    const QString text = url.trimmed();
    const qsizetype schemeEnd = text.indexOf(QLatin1String("://"));
    if (schemeEnd <= 0)
        return false;
    const QString scheme = text.left(schemeEnd).toLower();
    for (QChar c : scheme)
        if (!(c.isLetterOrNumber() || c == u'+' || c == u'-' || c == u'.'))
            return false;

    const QString rest = text.mid(schemeEnd + 3);
    const qsizetype pathStart = rest.indexOf(u'/');
    QString authority = pathStart < 0 ? rest : rest.left(pathStart);
    const QString path = pathStart < 0 ? QStringLiteral("/") : rest.mid(pathStart);
    const qsizetype at = authority.lastIndexOf(u'@');
    if (at >= 0)
        authority = authority.mid(at + 1);

    QString host = authority;
    QString portText;
    if (authority.startsWith(u'[')) {
        // An IPv6 address in brackets.
        const qsizetype close = authority.indexOf(u']');
        if (close < 0)
            return false;
        host = authority.mid(1, close - 1);
        const QString after = authority.mid(close + 1);
        if (!after.isEmpty()) {
            if (!after.startsWith(u':'))
                return false;
            portText = after.mid(1);
        }
    } else {
        const qsizetype colon = authority.lastIndexOf(u':');
        if (colon >= 0) {
            host = authority.left(colon);
            portText = authority.mid(colon + 1);
        }
    }
    if (host.isEmpty())
        return false;

    uint16_t number = 0;
    uint32_t service = AFX_INET_SERVICE_UNK;
    for (const Scheme& s : kSchemes)
        if (scheme == QLatin1String(s.name)) {
            service = s.service;
            number = s.port;
        }
    if (!portText.isEmpty()) {
        bool ok = false;
        const uint value = portText.toUInt(&ok);
        if (!ok || value > 65535)
            return false;
        number = uint16_t(value);
    }
    serviceType = service;
    server = host;
    object = path;
    port = number;
    return true;
}

} // namespace platform
