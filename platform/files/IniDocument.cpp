#include "IniDocument.h"

#include "TextCodec.h"

namespace platform {

namespace {

QString fold(const QString& name)
{
    return name.trimmed().toCaseFolded();
}

bool isHeader(const QString& trimmed)
{
    return trimmed.startsWith(u'[');
}

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

// The line end at the end of a stored line ("" for a last line without one).
QString lineEnd(const QString& line)
{
    if (line.endsWith(QStringLiteral("\r\n")))
        return QStringLiteral("\r\n");
    if (line.endsWith(u'\r') || line.endsWith(u'\n'))
        return line.right(1);
    return QString();
}

} // namespace

IniDocument IniDocument::parse(const QByteArray& bytes)
{
    IniDocument doc;
    const QString text = decodeText(bytes, &doc.m_bom);
    doc.m_sections.push_back(Section());

    // CR, LF and CRLF each end a line. Each line keeps its own end, so that a
    // file with mixed line ends is written back as it was; trimming takes it
    // away where a line is read.
    bool eolSeen = false;
    for (qsizetype at = 0; at < text.size();) {
        qsizetype end = at;
        while (end < text.size() && text.at(end) != u'\r' && text.at(end) != u'\n')
            ++end;
        qsizetype next = end;
        if (next < text.size())
            next += (text.at(next) == u'\r' && next + 1 < text.size() && text.at(next + 1) == u'\n') ? 2 : 1;
        const QString line = text.mid(at, next - at);
        if (!eolSeen && next > end) {
            doc.m_eol = text.mid(end, next - end);
            eolSeen = true;
        }
        at = next;
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

void IniDocument::endLastLine()
{
    for (auto sec = m_sections.rbegin(); sec != m_sections.rend(); ++sec) {
        QString& last = sec->lines.empty() ? sec->header : sec->lines.back();
        if (sec->lines.empty() && sec->header.isNull())
            continue; // the part before the first header, empty
        if (lineEnd(last).isEmpty())
            last += m_eol;
        return;
    }
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
        endLastLine();
        Section fresh;
        fresh.header = u'[' + sectionName + u']' + m_eol; // new lines end as the first does
        fresh.lines.push_back(line + m_eol);
        indexSection(fresh);
        m_sectionIndex.insert(foldedSection, int(m_sections.size()));
        m_sections.push_back(std::move(fresh));
        return true;
    }
    Section& sec = m_sections[size_t(s)];
    const int existing = sec.keyLines.value(fold(keyName), -1);
    if (existing >= 0) {
        QString& old = sec.lines[size_t(existing)];
        const QString end = lineEnd(old);
        if (old.chopped(end.size()) == line)
            return false;
        old = line + (end.isEmpty() ? m_eol : end);
        endLastLine();
        return true;
    }
    endLastLine();
    // After the section's last line that is not blank, so that blank lines
    // that separate it from the next section stay where they are. Only blank
    // lines follow the insertion point, so no indexed key line moves.
    int at = int(sec.lines.size());
    while (at > 0 && sec.lines[size_t(at - 1)].trimmed().isEmpty())
        --at;
    sec.lines.insert(sec.lines.begin() + at, line + m_eol);
    indexLine(sec, at);
    return true;
}

QByteArray IniDocument::serialize() const
{
    QString text;
    for (const QString& line : m_sections[0].lines)
        text += line;
    for (size_t i = 1; i < m_sections.size(); ++i) {
        text += m_sections[i].header;
        for (const QString& line : m_sections[i].lines)
            text += line;
    }
    QByteArray bytes = text.toUtf8();
    if (m_bom)
        bytes.prepend("\xEF\xBB\xBF");
    return bytes;
}

} // namespace platform
