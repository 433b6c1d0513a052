#pragma once

#include <QString>
#include <QStringList>
#include <QUrl>

namespace platform {

// Starts programs and opens documents, folders and URLs. No shell is ever
// involved: arguments reach the program as they are.
class ShellService
{
public:
    virtual ~ShellService() = default;
    // Starts an executable (a path, or a name found on PATH) with the
    // arguments; a file that is not executable is opened as a document. With
    // `hidden` the program gets no terminal and no input or output.
    virtual bool startProgram(const QString& program, const QStringList& arguments, bool hidden) = 0;
    // Opens a URL, folder or file with the desktop's default application.
    virtual bool openUrl(const QUrl& url) = 0;
};

// The installed service: the real one unless a test installed a fake.
ShellService& shellService();
void setShellService(ShellService* service);

// Splits a parameter text into arguments as a command line is split: blanks
// separate, double quotes group, three double quotes stand for one.
QStringList splitArguments(const QString& text);

} // namespace platform
