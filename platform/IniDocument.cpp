#include "IniDocument.h"

#include <QStringDecoder>

#include <iconv.h>

namespace platform {

namespace {

QString fold(const QString& name) { return name.trimmed().toCaseFolded(); }

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

bool isHeader(const QString& trimmed) { return trimmed.startsWith(u'['); }

QString headerName(const QString& trimmed)
{
    const qsizetype close = trimmed.indexOf(u']');
    return trimmed.mid(1, close < 0 ? -1 : close - 1).trimmed();
}

// The key of a "key=value" line, or a null string for any other line.
QString lineKey(const QString& line)
{
    const qsizetype eq = line.indexOf(u'=');
    if (eq < 0)
        return QString();
    const QString key = line.left(eq).trimmed();
    if (key.startsWith(u';') || key.startsWith(u'['))
        return QString();
    return key.isNull() ? QStringLiteral("") : key;
}

QString lineValue(const QString& line)
{
    QString value = line.mid(line.indexOf(u'=') + 1).trimmed();
    if (value.size() >= 2) {
        const QChar first = value.front();
        if ((first == u'"' || first == u'\'') && value.back() == first)
            value = value.mid(1, value.size() - 2);
    }
    return value;
}

} // namespace

QString decodeIniText(const QByteArray& bytes, bool* hadBom)
{
    if (hadBom)
        *hadBom = false;
    if (bytes.startsWith("\xFF\xFE")) {
        if (hadBom)
            *hadBom = true;
        return QString(reinterpret_cast<const QChar*>(bytes.constData() + 2), (bytes.size() - 2) / 2);
    }
    if (bytes.startsWith("\xFE\xFF")) {
        if (hadBom)
            *hadBom = true;
        QString text;
        text.resize((bytes.size() - 2) / 2);
        for (qsizetype i = 0; i < text.size(); ++i)
            text[i] = QChar(ushort((uchar(bytes[2 + 2 * i]) << 8) | uchar(bytes[3 + 2 * i])));
        return text;
    }
    if (bytes.startsWith("\xEF\xBB\xBF")) {
        if (hadBom)
            *hadBom = true;
        return QString::fromUtf8(bytes.constData() + 3, bytes.size() - 3);
    }
    if (isValidUtf8(bytes))
        return QString::fromUtf8(bytes);
    return decodeGb18030(bytes);
}

IniDocument IniDocument::parse(const QByteArray& bytes)
{
    IniDocument doc;
    const QString text = decodeIniText(bytes, &doc.m_bom);
    doc.m_sections.push_back(Section());
    if (text.isEmpty())
        return doc;

    const qsizetype firstNewline = text.indexOf(u'\n');
    if (firstNewline > 0 && text.at(firstNewline - 1) == u'\r')
        doc.m_eol = QStringLiteral("\r\n");
    doc.m_endsWithEol = text.endsWith(u'\n');

    QStringList lines = text.split(u'\n');
    if (doc.m_endsWithEol)
        lines.removeLast();
    for (QString& line : lines) {
        if (line.endsWith(u'\r'))
            line.chop(1);
        const QString trimmed = line.trimmed();
        if (isHeader(trimmed)) {
            Section section;
            section.header = line;
            const QString name = fold(headerName(trimmed));
            doc.m_sectionIndex.insert(name, doc.m_sectionIndex.value(name, int(doc.m_sections.size())));
            doc.m_sections.push_back(std::move(section));
        } else {
            doc.m_sections.back().lines.push_back(line);
        }
    }
    for (Section& section : doc.m_sections)
        doc.indexSection(section);
    return doc;
}

void IniDocument::indexLine(Section& section, int index)
{
    const QString key = lineKey(section.lines[size_t(index)]);
    if (key.isNull())
        return;
    const QString folded = key.toCaseFolded();
    if (!section.keyLines.contains(folded))
        section.keyLines.insert(folded, index);
}

void IniDocument::indexSection(Section& section)
{
    section.keyLines.clear();
    for (int i = 0; i < int(section.lines.size()); ++i)
        indexLine(section, i);
}

std::optional<QString> IniDocument::value(const QString& section, const QString& key) const
{
    const int s = m_sectionIndex.value(fold(section), -1);
    if (s < 0)
        return std::nullopt;
    const Section& sec = m_sections[size_t(s)];
    const int line = sec.keyLines.value(fold(key), -1);
    if (line < 0)
        return std::nullopt;
    return lineValue(sec.lines[size_t(line)]);
}

QString IniDocument::cleanName(const QString& name)
{
    QString clean = name;
    clean.replace(QStringLiteral("\r\n"), QStringLiteral(" "));
    clean.replace(u'\r', u' ');
    clean.replace(u'\n', u' ');
    return clean.trimmed();
}

QString IniDocument::encodeValue(const QString& value)
{
    QString text = value;
    text.replace(QStringLiteral("\r\n"), QStringLiteral(" "));
    text.replace(u'\r', u' ');
    text.replace(u'\n', u' ');
    if (text.isEmpty())
        return text;
    auto needsQuotes = [](QChar c) { return c.isSpace() || c == u'"' || c == u'\''; };
    if (needsQuotes(text.front()) || needsQuotes(text.back()))
        return u'"' + text + u'"';
    return text;
}

bool IniDocument::setValue(const QString& section, const QString& key, const QString& value)
{
    const QString sectionName = cleanName(section);
    QString keyName = cleanName(key);
    keyName.replace(u'=', u' '); // an '=' in a key name would split it on reading
    const QString line = keyName + u'=' + encodeValue(value);

    const QString foldedSection = fold(sectionName);
    int s = m_sectionIndex.value(foldedSection, -1);
    if (s < 0) {
        Section fresh;
        fresh.header = u'[' + sectionName + u']';
        fresh.lines.push_back(line);
        indexSection(fresh);
        m_sectionIndex.insert(foldedSection, int(m_sections.size()));
        m_sections.push_back(std::move(fresh));
        m_endsWithEol = true;
        return true;
    }
    Section& sec = m_sections[size_t(s)];
    const int existing = sec.keyLines.value(fold(keyName), -1);
    if (existing >= 0) {
        if (sec.lines[size_t(existing)] == line)
            return false;
        sec.lines[size_t(existing)] = line;
        m_endsWithEol = true;
        return true;
    }
    // After the section's last line that is not blank, so that blank lines
    // that separate it from the next section stay where they are. Only blank
    // lines follow the insertion point, so no indexed key line moves.
    int at = int(sec.lines.size());
    while (at > 0 && sec.lines[size_t(at - 1)].trimmed().isEmpty())
        --at;
    sec.lines.insert(sec.lines.begin() + at, line);
    indexLine(sec, at);
    m_endsWithEol = true;
    return true;
}

QByteArray IniDocument::serialize() const
{
    QString text;
    auto append = [&](const QString& line) {
        text += line;
        text += m_eol;
    };
    for (const QString& line : m_sections[0].lines)
        append(line);
    for (size_t i = 1; i < m_sections.size(); ++i) {
        append(m_sections[i].header);
        for (const QString& line : m_sections[i].lines)
            append(line);
    }
    if (!m_endsWithEol && text.endsWith(m_eol))
        text.chop(m_eol.size());
    QByteArray bytes = text.toUtf8();
    if (m_bom)
        bytes.prepend("\xEF\xBB\xBF");
    return bytes;
}

} // namespace platform
