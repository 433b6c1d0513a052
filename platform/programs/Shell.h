#pragma once

#include <QString>
#include <QStringList>
#include <QUrl>

#include <chrono>
#include <functional>

namespace platform {

// Answers of openAndWait besides 0 (opened): xdg-open's own statuses for "no
// such file or folder" and "no method available", and none at all.
inline constexpr int kOpenerNoSuchFile = 2;
inline constexpr int kOpenerNoApplication = 3;
inline constexpr int kNoOpener = -1;

// Starts programs and opens documents, folders and URLs. No shell is ever
// involved: arguments reach the program as they are.
class ShellService
{
public:
    virtual ~ShellService() = default;
    // Starts an executable (a path, or a name found on PATH only) with the
    // arguments, blanks around the program left out; a file that is not
    // executable is opened as a document, unless it is a program on a file
    // system that runs none, which starts nothing. With
    // `hidden` the program gets no terminal and no input or output.
    virtual bool startProgram(const QString& program, const QStringList& arguments, bool hidden) = 0;
    // Starts an executable as startProgram does, with its error output
    // passed on to ours; when it ends, `ended` is called on a thread of its
    // own with its wait status, how long it ran and the end of what it wrote
    // there. False when it did not start.
    virtual bool startWatched(const QString& program, const QStringList& arguments,
                              std::function<void(int, std::chrono::milliseconds, const QByteArray&)> ended)
    {
        (void)ended;
        return startProgram(program, arguments, false);
    }
    // Opens a URL, folder or file with the desktop's default application.
    virtual bool openUrl(const QUrl& url) = 0;
    // Opens it through the desktop's opener and waits for the opener's
    // answer: 0 when it opened, kOpenerNoApplication when the desktop has no
    // application for it, another status when the application failed,
    // kNoOpener when no opener could be started. Blocks for as long as the
    // opener takes: never call it on the window thread.
    virtual int openAndWait(const QUrl& url) { return openUrl(url) ? 0 : kNoOpener; }

    // Opens a document with the application the desktop associates with its
    // type, answering as the Windows shell does: above 32 when it was handed
    // over, SE_ERR_NOASSOC when no application is associated with the type,
    // another number of 32 or less for any other failure. Asks the desktop
    // and waits for its opener: never call it on the window thread.
    virtual int openDocument(const QString& path);
    // Runs `command` (the program, then its arguments, each one argument) in
    // a new terminal window titled `title` where the terminal takes a title
    // (none when empty); with `waitForEnter` the window stays open after the
    // run, whatever its end, until Enter is pressed. False when no terminal
    // program is installed.
    virtual bool runInTerminal(const QString& title, const QStringList& command, bool waitForEnter);
    // The installed program of that name on PATH, empty when there is none.
    virtual QString findProgram(const QString& name);
};

inline constexpr int SE_ERR_FNF = 2;
inline constexpr int SE_ERR_NOASSOC = 31;

// True for a file marked as a program (an execute bit set) on a file system
// mounted noexec, where the system runs no programs.
bool isProgramWhereNoneMayRun(const QString& path);

// Runs the program with its input from /dev/null and waits at most
// `milliseconds` for its end: its exit status, 0 when it still runs then (it
// is left running and reaped when it ends), kNoOpener when it did not start.
// Blocks: never call it on the window thread.
int exitStatusWithin(const QString& program, const QStringList& arguments, int milliseconds);

// The installed service: the real one unless a test installed a fake.
ShellService& shellService();
void setShellService(ShellService* service);

// Splits a parameter text into arguments as a command line is split: blanks
// separate, double quotes group, three double quotes stand for one.
QStringList splitArguments(const QString& text);
// That rule in the user's words, in lines, the last of them the parameters
// of an example that works; the parameter fields and the help say it.
QString argumentRuleText();

// The terminal programs looked for, in this order.
QStringList terminalPrograms();
// The arguments that make `terminal` run `command` through /bin/sh. The
// command's words reach the shell as positional parameters, never as shell
// text, so no value in them can run anything.
QStringList terminalArguments(const QString& terminal, const QStringList& command, bool waitForEnter);
// The arguments that title the window of the terminal program with that file
// name (x-terminal-emulator resolved to the program it stands for); none for
// a terminal whose title switch is not known, or for an empty title.
QStringList terminalTitleArguments(const QString& program, const QString& title);

} // namespace platform
