#include "TextCodec.h"

#include <QStringDecoder>

#include <cerrno>
#include <iconv.h>

namespace platform {

namespace {

bool isValidUtf8(const QByteArray& bytes)
{
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = decoder.decode(bytes);
    Q_UNUSED(text);
    return !decoder.hasError();
}

QString decodeGb18030(const QByteArray& bytes)
{
    iconv_t cd = iconv_open("UTF-16LE", "GB18030");
    if (cd == reinterpret_cast<iconv_t>(-1))
        return QString::fromLatin1(bytes);
    QByteArray out;
    out.resize(bytes.size() * 4 + 4);
    char* in = const_cast<char*>(bytes.constData());
    size_t inLeft = size_t(bytes.size());
    char* outPtr = out.data();
    size_t outLeft = size_t(out.size());
    while (inLeft > 0) {
        if (iconv(cd, &in, &inLeft, &outPtr, &outLeft) != size_t(-1))
            break;
        if (errno == E2BIG)
            break; // cannot happen with four bytes out per byte in
        // A byte that is no GB18030 sequence: keep it as a replacement
        // character and go on, as a lenient reader does.
        if (outLeft < 2)
            break;
        *outPtr++ = char(0xFD);
        *outPtr++ = char(0xFF);
        outLeft -= 2;
        ++in;
        --inLeft;
    }
    iconv_close(cd);
    const qsizetype written = qsizetype(out.size()) - qsizetype(outLeft);
    return QString(reinterpret_cast<const QChar*>(out.constData()), written / 2);
}

// Half of a surrogate pair alone has no form in UTF-8, the form files are
// written in; it reads as U+FFFD, so that a value reads the same before and
// after the file is rewritten.
QString withoutLoneSurrogates(QString text)
{
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c.isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate()) {
            ++i;
            continue;
        }
        if (c.isSurrogate())
            text[i] = QChar::ReplacementCharacter;
    }
    return text;
}

} // namespace

QString decodeText(const QByteArray& bytes, bool* hadBom)
{
    if (hadBom)
        *hadBom = false;
    if (bytes.startsWith("\xFF\xFE")) {
        if (hadBom)
            *hadBom = true;
        return withoutLoneSurrogates(
            QString(reinterpret_cast<const QChar*>(bytes.constData() + 2), (bytes.size() - 2) / 2));
    }
    if (bytes.startsWith("\xFE\xFF")) {
        if (hadBom)
            *hadBom = true;
        QString text;
        text.resize((bytes.size() - 2) / 2);
        for (qsizetype i = 0; i < text.size(); ++i)
            text[i] = QChar(ushort((uchar(bytes[2 + 2 * i]) << 8) | uchar(bytes[3 + 2 * i])));
        return withoutLoneSurrogates(text);
    }
    if (bytes.startsWith("\xEF\xBB\xBF")) {
        if (hadBom)
            *hadBom = true;
        return QString::fromUtf8(bytes.constData() + 3, bytes.size() - 3);
    }
    if (isValidUtf8(bytes))
        return QString::fromUtf8(bytes);
    // Line by line: one hand-edited line in another code page must not turn
    // every UTF-8 line of the file into GB18030 nonsense.
    QString text;
    qsizetype start = 0;
    while (start <= bytes.size()) {
        qsizetype end = bytes.indexOf('\n', start);
        if (end < 0)
            end = bytes.size();
        const QByteArray line = bytes.mid(start, end - start);
        text += isValidUtf8(line) ? QString::fromUtf8(line) : decodeGb18030(line);
        if (end < bytes.size())
            text += u'\n';
        start = end + 1;
    }
    return text;
}

namespace {

bool isSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f';
}

// The value after "charset" at `at` (the "charset" word itself already
// matched), quoted or not, ended by a quote, a semicolon, a space or the end
// of the tag; empty when no '=' follows.
QByteArray charsetValueAt(const QByteArray& text, qsizetype at)
{
    qsizetype i = at;
    while (i < text.size() && isSpace(text[i]))
        ++i;
    if (i >= text.size() || text[i] != '=')
        return QByteArray();
    ++i;
    while (i < text.size() && isSpace(text[i]))
        ++i;
    char quote = 0;
    if (i < text.size() && (text[i] == '"' || text[i] == '\''))
        quote = text[i++];
    const qsizetype start = i;
    while (i < text.size()) {
        const char c = text[i];
        if (quote ? c == quote : (isSpace(c) || c == ';' || c == '"' || c == '\'' || c == '>' || c == '/'))
            break;
        ++i;
    }
    return text.mid(start, i - start).trimmed().toLower();
}

// The charset parameter of a header or of a meta tag's text.
QByteArray charsetIn(const QByteArray& lower)
{
    for (qsizetype at = lower.indexOf("charset"); at >= 0; at = lower.indexOf("charset", at + 7)) {
        const QByteArray value = charsetValueAt(lower, at + 7);
        if (!value.isEmpty())
            return value;
    }
    return QByteArray();
}

// Names that pages use for what browsers decode otherwise: Latin-1 and
// ASCII as Windows-1252, a UTF-16 declared inside an 8-bit page as UTF-8.
QByteArray decoderName(const QByteArray& declared, bool fromPage)
{
    if (declared == "iso-8859-1" || declared == "iso8859-1" || declared == "latin1" ||
        declared == "latin-1" || declared == "l1" || declared == "us-ascii" || declared == "ascii" ||
        declared == "cp819" || declared == "ibm819" || declared == "iso_8859-1")
        return QByteArrayLiteral("windows-1252");
    if (declared == "gb2312" || declared == "gbk" || declared == "x-gbk")
        return QByteArrayLiteral("gb18030");
    if (fromPage && declared.startsWith("utf-16"))
        return QByteArrayLiteral("utf-8");
    return declared;
}

} // namespace

QByteArray declaredCharset(const QByteArray& page, const QByteArray& contentType)
{
    const QByteArray fromHeader = charsetIn(contentType.toLower());
    if (!fromHeader.isEmpty())
        return fromHeader;
    const QByteArray head = page.left(1024).toLower();
    for (qsizetype at = head.indexOf("<meta"); at >= 0; at = head.indexOf("<meta", at + 5)) {
        const qsizetype end = head.indexOf('>', at);
        const QByteArray tag = head.mid(at + 5, end < 0 ? -1 : end - at - 5);
        const QByteArray value = charsetIn(tag);
        if (!value.isEmpty())
            return value;
    }
    return QByteArray();
}

QString decodePage(const QByteArray& page, const QByteArray& contentType)
{
    // A byte-order mark says how the page is written, whatever is declared.
    if (page.startsWith("\xEF\xBB\xBF") || page.startsWith("\xFF\xFE") || page.startsWith("\xFE\xFF"))
        return decodeText(page);
    const bool fromHeader = !charsetIn(contentType.toLower()).isEmpty();
    const QByteArray declared = declaredCharset(page, contentType);
    if (!declared.isEmpty()) {
        const QByteArray name = decoderName(declared, !fromHeader);
        if (name == "utf-8" || name == "utf8")
            return QString::fromUtf8(page);
        if (name == "gb18030")
            return decodeGb18030(page);
        QStringDecoder decoder(name.constData());
        if (decoder.isValid())
            return decoder.decode(page);
    }
    return decodeText(page);
}

} // namespace platform
