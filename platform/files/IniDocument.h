#pragma once

#include "TextCodec.h"

#include <QByteArray>
#include <QHash>
#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

namespace platform {

// The text of one INI file, kept line by line so that a write changes only the
// line of its key and leaves every other byte of the file as it was. Lookups
// follow the private-profile rules: section and key names match without regard
// to case, the first of duplicate sections or keys wins.
class IniDocument
{
public:
    static IniDocument parse(const QByteArray& bytes);

    // The value as stored, blanks around it trimmed and one pair of enclosing
    // quotes removed; nullopt when the section or the key is missing.
    std::optional<QString> value(const QString& section, const QString& key) const;

    // Replaces the key's value, or appends the key at the end of its section,
    // or appends the section at the end of the file. False when the file's
    // text stays as it was.
    bool setValue(const QString& section, const QString& key, const QString& value);

    QByteArray serialize() const;

    // The text a value is stored as, such that value() gives it back unchanged:
    // line breaks become blanks, and a value with a blank or a quote at either
    // end is put inside one more pair of quotes.
    static QString encodeValue(const QString& value);
    static QString cleanName(const QString& name);

private:
    struct Section
    {
        QString header;               // the header line as read (null for the lines before any section)
        std::vector<QString> lines;   // the lines of the section, each with its own line end
        QHash<QString, int> keyLines; // folded key name -> index of its first line
    };

    // Gives the file's last line a line end, before a line is added after it.
    void endLastLine();
    void indexSection(Section& section);
    static void indexLine(Section& section, int index);

    std::vector<Section> m_sections; // m_sections[0] holds the lines before the first header
    QHash<QString, int> m_sectionIndex;
    QString m_eol = QStringLiteral("\n"); // the first line's end, for new lines
    bool m_bom = false;
};

// Decodes the bytes of an INI file (see decodeText).
inline QString decodeIniText(const QByteArray& bytes, bool* hadBom = nullptr)
{
    return decodeText(bytes, hadBom);
}

} // namespace platform
