#include "DailyLog.h"

#include "Placeholders.h"
#include "platform/ErrorText.h"
#include "platform/files/AppendFile.h"

#include <QCryptographicHash>

namespace dailylog {

QString dayFolder(const QString& logsDir, const platform::LocalStamp& now)
{
    return logsDir + QStringLiteral("%1-%2-%3/").arg(now.month).arg(now.day).arg(now.year);
}

namespace {
// A target such as "../../x" must stay inside the day folder.
QString withoutSeparators(QString name)
{
    name.replace(u'/', u'-');
    name.replace(u'\\', u'-');
    return name;
}
} // namespace

QString cleanedAddress(const QString& address)
{
    QString cleaned = address;
    cleaned.replace(u':', u'-');
    cleaned.replace(u'%', u's');
    return withoutSeparators(cleaned);
}

namespace {
// The address part and the rest as one file name that the file system takes:
// an address too long is cut, and a short hash of the whole address keeps
// the names of different long addresses apart.
QString fittedName(const QString& address, const QString& rest)
{
    const int limit = platform::fileNameLimit();
    if (platform::encodedFileName(address + rest).size() <= limit)
        return address + rest;
    const QString hash =
        u'~' + QString::fromLatin1(
                   QCryptographicHash::hash(address.toUtf8(), QCryptographicHash::Sha1).toHex().left(8));
    const qsizetype room = limit - platform::encodedFileName(hash + rest).size();
    QString cut = address.left(room); // a character takes at least one byte
    // Never half a character.
    while (!cut.isEmpty() && (cut.back().isHighSurrogate() || platform::encodedFileName(cut).size() > room))
        cut.chop(1);
    return cut + hash + rest;
}
} // namespace

QString fileName(const BoxSnapshot& box, const QString& dayFolder, int logFileType)
{
    const QString extension = logFileType == 0 ? QStringLiteral(".txt") : QStringLiteral(".csv");
    switch (box.VerifyMetod) {
    case METHOD_PING:
        return dayFolder + fittedName(cleanedAddress(box.IPAdress), QStringLiteral("_Ping") + extension);
    case METHOD_TCP:
        return dayFolder + fittedName(cleanedAddress(box.IPAdress),
                                      QStringLiteral("_TCP_%1").arg(int32_t(box.Port)) + extension);
    case METHOD_URL: {
        const UrlHostPort url = urlHostPort(box.IPAdress);
        return dayFolder +
               fittedName(withoutSeparators(url.host), QStringLiteral("_URL_%1").arg(url.port) + extension);
    }
    default:
        return QString();
    }
}

QString line(const BoxSnapshot& box, const platform::LocalStamp& now, int logFileType,
             const QString& errorText)
{
    const QString sep = logFileType == 0 ? QStringLiteral(" | ") : QStringLiteral("\t");
    const QString reply = QString::number(box.m_dwLastValue);
    const QString code = QString::number(box.m_dwLastCode);
    QStringList fields = {now.date, now.time};
    const int method = box.VerifyMetod;
    switch (box.m_nStatus) {
    case STATUS_NET_ERROR:
        fields << QStringLiteral("NET ERROR") << QStringLiteral("N/A") << code << errorText;
        break;
    case STATUS_IP_ERROR:
        fields << (method == METHOD_URL ? QStringLiteral("URL ERROR") : QStringLiteral("IP ERROR"))
               << QStringLiteral("N/A") << code << errorText;
        break;
    case STATUS_UP:
        fields << (method == METHOD_TCP ? QStringLiteral("Open") : QStringLiteral("Up")) << reply << code
               << errorText;
        if (method == METHOD_URL)
            fields << box.Phrase;
        break;
    case STATUS_DOWN:
        fields << QStringLiteral("Down") << QStringLiteral("Timeout") << code << errorText;
        if (method == METHOD_URL)
            fields << box.Phrase;
        break;
    case STATUS_CLOSE:
        if (method != METHOD_TCP)
            return QString();
        fields << QStringLiteral("Close") << reply << code << errorText;
        break;
    default:
        return QString();
    }
    // A field must not end the line or start another column: a phrase with a
    // line break would read as two lines.
    const QChar column = logFileType == 0 ? u'|' : u'\t';
    for (QString& field : fields)
        for (QChar& c : field)
            if (c == u'\r' || c == u'\n' || c == column)
                c = u' ';
    return fields.join(sep) + QStringLiteral("\r\n");
}

bool write(const BoxSnapshot& box, const QString& logsDir, int logFileType, const platform::LocalStamp& now)
{
    // The names within the logs folder: no link is followed below the data
    // folder, the logs folder's own name included.
    const QString folder = dayFolder(QString(), now).chopped(1);
    const QString file = fileName(box, QString(), logFileType);
    if (file.isEmpty())
        return false;
    const QString text = line(box, now, logFileType, errorText(box.m_dwLastCode));
    if (text.isEmpty())
        return false;
    return platform::appendToFileIn(logsDir, folder, file, text.toUtf8());
}

} // namespace dailylog

QString internetErrorText(uint32_t code)
{
    QString text = platform::internetMessageText(code);
    text.remove(QStringLiteral("\r\n"));
    return text.isEmpty() ? QString::number(int32_t(code)) : text;
}

QString errorText(uint32_t code)
{
    if (code == 11050)
        return QStringLiteral("General Failure");
    if (code >= 12001 && code <= 12156)
        return internetErrorText(code);
    return platform::systemMessageText(code);
}
