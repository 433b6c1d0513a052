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

    // Opens a document with the application the desktop associates with its
    // type, answering as the Windows shell does: above 32 when it was handed
    // over, SE_ERR_NOASSOC when no application is associated with the type,
    // another number of 32 or less for any other failure.
    virtual int openDocument(const QString& path);
    // Runs `command` (the program, then its arguments, each one argument) in
    // a new terminal window; with `waitAfterSuccess` the window stays open
    // after a successful run until Enter is pressed. False when no terminal
    // program is installed.
    virtual bool runInTerminal(const QStringList& command, bool waitAfterSuccess);
    // The installed program of that name on PATH, empty when there is none.
    virtual QString findProgram(const QString& name);
};

inline constexpr int SE_ERR_FNF = 2;
inline constexpr int SE_ERR_NOASSOC = 31;

// The installed service: the real one unless a test installed a fake.
ShellService& shellService();
void setShellService(ShellService* service);

// Splits a parameter text into arguments as a command line is split: blanks
// separate, double quotes group, three double quotes stand for one.
QStringList splitArguments(const QString& text);

// The terminal programs looked for, in this order.
QStringList terminalPrograms();
// The arguments that make `terminal` run `command` through /bin/sh. The
// command's words reach the shell as positional parameters, never as shell
// text, so no value in them can run anything.
QStringList terminalArguments(const QString& terminal, const QStringList& command, bool waitAfterSuccess);

} // namespace platform
