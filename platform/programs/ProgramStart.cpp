#include "ProgramStart.h"

#include "platform/desktop/DesktopOpen.h"
#include "platform/desktop/MessageBox.h"
#include "platform/programs/Shell.h"

#include <QDir>
#include <QFileInfo>
#include <QUrl>

#include <sys/wait.h>
#include <unistd.h>

namespace platform {

qsizetype longestArgument()
{
    return 32 * qsizetype(sysconf(_SC_PAGESIZE)) - 1;
}

QString programProblem(const QString& program)
{
    const QString name = program.trimmed();
    if (name.isEmpty())
        return QStringLiteral("No program is set for it: choose one, then try again.");
    QFileInfo file(name);
    // A bare name is looked for on PATH only, never in the current folder.
    if (!name.contains(u'/')) {
        const QString found = shellService().findProgram(name);
        if (found.isEmpty())
            return QStringLiteral(
                "No program of that name is installed on the search path (PATH): install it, or give its "
                "full path, then try again.");
        file.setFile(found);
    }
    if (file.isRelative() && !file.exists())
        return QStringLiteral(
                   "A relative path is looked up from the folder Korvalen was started in (%1), which holds "
                   "no such file: give the program's full path, then try again.")
            .arg(QDir::toNativeSeparators(QDir::currentPath()));
    if (!file.exists())
        return QStringLiteral("There is no such file, or a folder on its path cannot be entered by this "
                              "user: check the path, then try again.");
    if (file.isDir())
        return QStringLiteral("It is a folder, not a program: choose the program file, then try again.");
    if (isProgramWhereNoneMayRun(file.filePath()))
        return QStringLiteral(
            "Its file system does not allow programs to run (it is mounted with noexec): put "
            "the program on another file system, then try again.");
    if (!file.isReadable())
        return QStringLiteral("This user may not read the file: make it readable (chmod a+r), then try "
                              "again.");
    if (!file.isExecutable())
        return QStringLiteral(
            "The file is not marked as a program, and the desktop has no application to open it with: make "
            "it executable (chmod +x), then try again.");
    return QStringLiteral(
        "The system refused to run it: a script needs the interpreter its first line names installed, and "
        "a file system mounted with noexec runs no programs. Put that right, then try again.");
}

QString startFailureText(const QString& what, const QString& program)
{
    return QStringLiteral("Korvalen could not start %1:\n%2\n\n%3")
        .arg(what, QDir::toNativeSeparators(program.trimmed()), programProblem(program));
}

bool startOrTell(const QString& what, const QString& program, const QStringList& arguments, bool hidden)
{
    const QString name = program.trimmed();
    // A file that is no program is a document, opened with the application
    // the desktop has for it; the opener's answer says whether one did. A
    // program where none may run is neither started nor opened.
    const QFileInfo file(name);
    const bool forbidden = isProgramWhereNoneMayRun(name);
    if (name.contains(u'/') && file.isFile() && !file.isExecutable() && !forbidden)
        return openOrTell(QUrl::fromLocalFile(file.absoluteFilePath()), what,
                          QStringLiteral("an application for that kind of file"));
    if (!forbidden && shellService().startProgram(name, arguments, hidden))
        return true;
    postMessageBox(startFailureText(what, name), QStringLiteral("Korvalen"), MB_OK | MB_ICONWARNING);
    return false;
}

QString earlyFailureReason(int waitStatus, std::chrono::milliseconds lasted, const QByteArray& errorTail)
{
    if (lasted >= kEarlyEnd || (WIFEXITED(waitStatus) && WEXITSTATUS(waitStatus) == 0))
        return QString();
    const QList<QByteArray> lines = errorTail.split('\n');
    for (auto line = lines.crbegin(); line != lines.crend(); ++line)
        if (!line->trimmed().isEmpty())
            return QString::fromLocal8Bit(line->trimmed());
    return WIFEXITED(waitStatus)
               ? QStringLiteral("It ended with exit status %1.").arg(WEXITSTATUS(waitStatus))
               : QStringLiteral("It was ended by signal %1.").arg(WTERMSIG(waitStatus));
}

bool startWatchedOrTell(const QString& what, const QString& program, const QStringList& arguments)
{
    const QString name = program.trimmed();
    const bool started = shellService().startWatched(
        name, arguments, [what, name](int status, std::chrono::milliseconds lasted, const QByteArray& tail) {
            const QString reason = earlyFailureReason(status, lasted, tail);
            if (!reason.isEmpty())
                postMessageBox(
                    QStringLiteral("Korvalen started %1:\n%2\n\nIt ended within seconds, saying:\n%3")
                        .arg(what, QDir::toNativeSeparators(name), reason),
                    QStringLiteral("Korvalen"), MB_OK | MB_ICONWARNING);
        });
    if (!started)
        postMessageBox(startFailureText(what, name), QStringLiteral("Korvalen"), MB_OK | MB_ICONWARNING);
    return started;
}

} // namespace platform
