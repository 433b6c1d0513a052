#include "Placeholders.h"

#include "platform/net/UrlSplit.h"

#include <utility>
#include <vector>

namespace {

QString statusWord(int status, int method, bool withBlanks)
{
    switch (status) {
    case STATUS_UP:
        return method == METHOD_TCP ? QStringLiteral("Open") : QStringLiteral("Up");
    case STATUS_DOWN:
        return QStringLiteral("Down");
    case STATUS_CLOSE:
        return method == METHOD_TCP ? QStringLiteral("Close") : QString();
    case STATUS_NET_ERROR:
        return withBlanks ? QStringLiteral("NET ERROR") : QStringLiteral("NETERROR");
    case STATUS_IP_ERROR:
        if (method == METHOD_URL)
            return withBlanks ? QStringLiteral("URL ERROR") : QStringLiteral("URLERROR");
        return withBlanks ? QStringLiteral("IP ERROR") : QStringLiteral("IPERROR");
    case STATUS_CHECKING:
        return QStringLiteral("CHECKING");
    case STATUS_DISABLED:
        return QStringLiteral("DISABLED");
    default:
        return QString();
    }
}

} // namespace

QString programStatusWord(int status, int method)
{
    return statusWord(status, method, false);
}

QString messageStatusWord(int status, int method)
{
    return statusWord(status, method, true);
}

QString methodWord(int method)
{
    switch (method) {
    case METHOD_PING:
        return QStringLiteral("Ping");
    case METHOD_TCP:
        return QStringLiteral("TCP");
    case METHOD_URL:
        return QStringLiteral("URL");
    default:
        return QString();
    }
}

UrlHostPort urlHostPort(const QString& url)
{
    uint32_t service;
    UrlHostPort result;
    QString object;
    if (!platform::AfxParseURL(url, service, result.host, object, result.port))
        return UrlHostPort{};
    return result;
}

QString expandPlaceholders(const QString& text, const BoxSnapshot& box, PlaceholderSet set,
                           const QString& now)
{
    const bool isUrl = box.VerifyMetod == METHOD_URL;
    const UrlHostPort url = isUrl ? urlHostPort(box.IPAdress) : UrlHostPort{};
    QString ip = isUrl ? url.host : box.IPAdress;
    QString port = QStringLiteral("N/A");
    if (box.VerifyMetod == METHOD_TCP)
        port = QString::number(int32_t(box.Port));
    else if (isUrl)
        port = QString::number(url.port);
    QString name = box.Text;
    name.replace(u' ', u'-');

    std::vector<std::pair<QString, QString>> steps = {
        {QStringLiteral("%ip"), ip},
        {QStringLiteral("%status"), programStatusWord(box.m_nStatus, box.VerifyMetod)},
        {QStringLiteral("%method"), methodWord(box.VerifyMetod)},
        {QStringLiteral("%port"), port},
    };
    if (set == PlaceholderSet::Notification) {
        steps.push_back({QStringLiteral("%text"), name});
        steps.push_back({QStringLiteral("%name"), name});
        steps.push_back({QStringLiteral("%time"), now});
    } else {
        steps.push_back({QStringLiteral("%name"), name});
        steps.push_back({QStringLiteral("%text"), name});
    }
    steps.push_back({QStringLiteral("%url"), isUrl ? box.IPAdress : QStringLiteral("N/A")});

    QString result = text;
    for (const auto& [placeholder, value] : steps)
        result.replace(placeholder, value, Qt::CaseSensitive);
    return result;
}
