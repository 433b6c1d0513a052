#include "Shell.h"

#include <QDesktopServices>
#include <QFileInfo>
#include <QMimeDatabase>
#include <QProcess>
#include <QStandardPaths>

#include <atomic>

namespace platform {

namespace {

// Each word of the command is a positional parameter of the fixed script.
const QString kRunScript = QStringLiteral("\"$@\"");
const QString kRunAndWaitScript =
    QStringLiteral("\"$@\" && { printf '\\n%s' 'Press Enter to close this window.'; read -r _; }");

class DesktopShell : public ShellService
{
public:
    bool startProgram(const QString& program, const QStringList& arguments, bool hidden) override
    {
        if (program.trimmed().isEmpty())
            return false;
        const QFileInfo file(program);
        QString executable;
        if (file.isFile() && file.isExecutable())
            executable = file.absoluteFilePath();
        else if (!program.contains(u'/'))
            executable = QStandardPaths::findExecutable(program);
        if (executable.isEmpty())
            return file.isFile() && openUrl(QUrl::fromLocalFile(file.absoluteFilePath()));
        QProcess process;
        process.setProgram(executable);
        process.setArguments(arguments);
        process.setStandardInputFile(QProcess::nullDevice());
        if (hidden) {
            process.setStandardOutputFile(QProcess::nullDevice());
            process.setStandardErrorFile(QProcess::nullDevice());
        }
        return process.startDetached();
    }

    bool openUrl(const QUrl& url) override { return QDesktopServices::openUrl(url); }
};

DesktopShell g_desktop;
std::atomic<ShellService*> g_service{nullptr};

// Whether the desktop names an application for the type or one it inherits
// from (text/csv falls back to text/plain). Without xdg-mime to ask, the
// opener is left to find one.
bool hasAssociation(ShellService& shell, const QMimeType& type)
{
    const QString query = shell.findProgram(QStringLiteral("xdg-mime"));
    if (query.isEmpty())
        return true;
    QStringList names{type.name()};
    names += type.allAncestors();
    for (const QString& name : names) {
        QProcess process;
        process.setStandardInputFile(QProcess::nullDevice());
        process.start(query, {QStringLiteral("query"), QStringLiteral("default"), name});
        if (!process.waitForFinished(3000)) {
            process.kill();
            process.waitForFinished(1000);
            return true;
        }
        if (!process.readAllStandardOutput().trimmed().isEmpty())
            return true;
    }
    return false;
}

} // namespace

int ShellService::openDocument(const QString& path)
{
    const QFileInfo file(path);
    if (!file.isFile())
        return SE_ERR_FNF;
    if (!hasAssociation(*this, QMimeDatabase().mimeTypeForFile(file)))
        return SE_ERR_NOASSOC;
    return openUrl(QUrl::fromLocalFile(file.absoluteFilePath())) ? 42 : 0;
}

bool ShellService::runInTerminal(const QStringList& command, bool waitAfterSuccess)
{
    for (const QString& terminal : terminalPrograms()) {
        const QString path = findProgram(terminal);
        if (path.isEmpty())
            continue;
        return startProgram(path, terminalArguments(terminal, command, waitAfterSuccess), false);
    }
    return false;
}

QString ShellService::findProgram(const QString& name)
{
    return QStandardPaths::findExecutable(name);
}

ShellService& shellService()
{
    ShellService* service = g_service.load();
    return service ? *service : g_desktop;
}

void setShellService(ShellService* service)
{
    g_service = service;
}

QStringList splitArguments(const QString& text)
{
    return QProcess::splitCommand(text);
}

QStringList terminalPrograms()
{
    return {QStringLiteral("x-terminal-emulator"), QStringLiteral("xterm"), QStringLiteral("gnome-terminal"),
            QStringLiteral("konsole"), QStringLiteral("xfce4-terminal")};
}

QStringList terminalArguments(const QString& terminal, const QStringList& command, bool waitAfterSuccess)
{
    // How each terminal takes a program with its arguments as separate words.
    QStringList arguments;
    if (terminal == QLatin1String("gnome-terminal"))
        arguments << QStringLiteral("--");
    else if (terminal == QLatin1String("xfce4-terminal"))
        arguments << QStringLiteral("-x");
    else
        arguments << QStringLiteral("-e");
    arguments << QStringLiteral("/bin/sh") << QStringLiteral("-c")
              << (waitAfterSuccess ? kRunAndWaitScript : kRunScript) << QStringLiteral("sh") << command;
    return arguments;
}

} // namespace platform
