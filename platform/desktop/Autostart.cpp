#include "Autostart.h"

#include "platform/files/CopyFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace platform {

namespace {

const QString kGroup = QStringLiteral("[Desktop Entry]");

QString autostartFolder()
{
    QString base = qEnvironmentVariable("XDG_CONFIG_HOME");
    // A relative path here does not count: the XDG base directory rules ignore it.
    if (base.isEmpty() || QDir::isRelativePath(base))
        base = QDir::homePath() + QStringLiteral("/.config");
    return base + QStringLiteral("/autostart");
}

// Missing (nothing started yet) or a folder.
bool folderUsable()
{
    const QFileInfo folder(autostartFolder());
    return !folder.exists() || folder.isDir();
}

bool needsQuotes(const QString& argument)
{
    if (argument.isEmpty())
        return true;
    for (const QChar c : argument)
        if (c.isSpace() || QStringLiteral("\"'\\><~|&;$*?#()`=").contains(c))
            return true;
    return false;
}

// Inside quotes, `"`, `` ` ``, `$` and `\` take a backslash; a percent sign
// is doubled everywhere, or the desktop reads a field code.
QString quoteArgument(const QString& argument, bool alwaysQuote)
{
    QString out;
    const bool quoted = alwaysQuote || needsQuotes(argument);
    for (const QChar c : argument) {
        if (quoted && (c == u'"' || c == u'`' || c == u'$' || c == u'\\'))
            out += u'\\';
        if (c == u'%')
            out += u'%';
        out += c;
    }
    return quoted ? u'"' + out + u'"' : out;
}

// The string escapes of a desktop file, applied after the quoting above: the
// file's reader undoes them first.
QString escapeValue(const QString& value)
{
    QString out;
    for (const QChar c : value) {
        switch (c.unicode()) {
        case u'\\':
            out += QStringLiteral("\\\\");
            break;
        case u'\n':
            out += QStringLiteral("\\n");
            break;
        case u'\t':
            out += QStringLiteral("\\t");
            break;
        case u'\r':
            out += QStringLiteral("\\r");
            break;
        default:
            out += c;
        }
    }
    return out;
}

} // namespace

QString autostartCommand(const QString& program, const QStringList& arguments)
{
    QStringList parts{quoteArgument(program, true)};
    for (const QString& argument : arguments)
        parts += quoteArgument(argument, false);
    return escapeValue(parts.join(u' '));
}

QString autostartEntryPath(const QString& name)
{
    return autostartFolder() + u'/' + name + QStringLiteral(".desktop");
}

AutostartState readAutostartEntry(const QString& name, QString& command)
{
    command.clear();
    if (!folderUsable())
        return AutostartState::Unreadable;
    QFile file(autostartEntryPath(name));
    if (!file.exists())
        return AutostartState::Absent;
    if (!file.open(QIODevice::ReadOnly))
        return AutostartState::Unreadable;
    bool inGroup = false;
    bool hidden = false;
    bool found = false;
    while (!file.atEnd()) {
        const QString line = QString::fromUtf8(file.readLine()).trimmed();
        if (line.startsWith(u'[')) {
            inGroup = line == kGroup;
            continue;
        }
        if (!inGroup)
            continue;
        const qsizetype equals = line.indexOf(u'=');
        if (equals < 0)
            continue;
        const QString key = line.left(equals).trimmed();
        const QString value = line.mid(equals + 1).trimmed();
        if (key == QStringLiteral("Exec")) {
            command = value;
            found = true;
        } else if (key == QStringLiteral("Hidden")) {
            // A desktop's own "do not start" switch for the entry.
            hidden = value == QStringLiteral("true");
        }
    }
    if (!found || hidden) {
        command.clear();
        return AutostartState::Absent;
    }
    return AutostartState::Present;
}

bool writeAutostartEntry(const QString& name, const QString& command)
{
    if (!QDir().mkpath(autostartFolder()))
        return false;
    const QString text = kGroup + QStringLiteral("\nType=Application\nName=") + escapeValue(name) +
                         QStringLiteral("\nExec=") + command + QStringLiteral("\nTerminal=false\n");
    return writeFileReplacing(autostartEntryPath(name), text.toUtf8());
}

bool removeAutostartEntry(const QString& name)
{
    QFile file(autostartEntryPath(name));
    if (!file.exists())
        return folderUsable();
    return file.remove();
}

} // namespace platform
