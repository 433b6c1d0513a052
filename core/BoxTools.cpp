#include "BoxTools.h"

#include "DailyLog.h"
#include "Placeholders.h"
#include "platform/ErrorText.h"
#include "platform/programs/NetTools.h"

namespace boxtools {

using platform::bracketed;

QString toolHost(const BoxSnapshot& box)
{
    return box.VerifyMetod == METHOD_URL ? urlHostPort(box.IPAdress).host : box.IPAdress;
}

QString webAddress(const BoxSnapshot& box)
{
    if (box.VerifyMetod == METHOD_URL)
        return box.IPAdress;
    return QStringLiteral("http://") + bracketed(box.IPAdress) + u'/';
}

QString ftpAddress(const BoxSnapshot& box)
{
    if (box.VerifyMetod == METHOD_URL)
        return QStringLiteral("ftp://") + bracketed(urlHostPort(box.IPAdress).host);
    return QStringLiteral("ftp://") + bracketed(box.IPAdress);
}

QString shareAddress(const QString& host)
{
    return QStringLiteral("smb://") + bracketed(host) + u'/';
}

QString statusInformation(const QString& name, int status, int method, uint32_t code)
{
    const QString word = messageStatusWord(status, method);
    if (code == 11050)
        return QStringLiteral("Name: %1\nStatus: %2\nGeneral Failure.").arg(name, word);
    const QString error =
        code >= 12001 && code <= 12156 ? internetErrorText(code) : platform::systemMessageText(code);
    return QStringLiteral("Name: %1\nStatus: %2\n%3").arg(name, word, error);
}

} // namespace boxtools
