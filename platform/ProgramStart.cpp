#include "ProgramStart.h"

#include "DesktopOpen.h"
#include "MessageBox.h"
#include "Shell.h"

#include <QDir>
#include <QFileInfo>
#include <QUrl>

namespace platform {

QString programProblem(const QString& program)
{
    if (program.trimmed().isEmpty())
        return QStringLiteral("No program is set for it: choose one, then try again.");
    QFileInfo file(program);
    // A bare name not in the current folder is the program found on PATH.
    if (!program.contains(u'/') && !file.exists()) {
        const QString found = shellService().findProgram(program);
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
        .arg(what, QDir::toNativeSeparators(program), programProblem(program));
}

bool startOrTell(const QString& what, const QString& program, const QStringList& arguments, bool hidden)
{
    ShellService& shell = shellService();
    // A file that is no program is a document, opened with the application
    // the desktop has for it; the opener's answer says whether one did.
    const QFileInfo file(program);
    if (file.isFile() && !file.isExecutable() &&
        (program.contains(u'/') || shell.findProgram(program).isEmpty()))
        return openOrTell(QUrl::fromLocalFile(file.absoluteFilePath()), what,
                          QStringLiteral("an application for that kind of file"));
    if (shell.startProgram(program, arguments, hidden))
        return true;
    postMessageBox(startFailureText(what, program), QStringLiteral("Korvalen"), MB_OK | MB_ICONWARNING);
    return false;
}

} // namespace platform
