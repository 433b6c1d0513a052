#include "Shell.h"

#include <QDesktopServices>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>

#include <atomic>

namespace platform {

namespace {

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

} // namespace

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

} // namespace platform
