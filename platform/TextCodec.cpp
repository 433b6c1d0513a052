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

} // namespace platform
