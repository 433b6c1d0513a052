#include "Shell.h"

#include "platform/desktop/DesktopOpen.h"

#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <system_error>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

namespace platform {

namespace {

// Each word of the command is a positional parameter of the fixed script.
const QString kRunScript = QStringLiteral("\"$@\"");
// The window stays until Enter, also after a failure, so what the program
// said can be read.
const QString kRunAndWaitScript = QStringLiteral(
    "\"$@\"; status=$?; [ $status -eq 0 ] || printf '\\n%s ended with status %s.' \"$1\" $status; "
    "printf '\\n%s' 'Press Enter to close this window.'; read -r _");

// How much of a watched program's error output is kept: its last line.
constexpr qsizetype kErrorTailBytes = 4096;

// Starts the program with its input from /dev/null and, where `errors` is
// a descriptor, its error output there; 0 when it did not start.
pid_t spawn(const QString& program, const QStringList& arguments, int errors = -1)
{
    std::vector<QByteArray> words{QFile::encodeName(program)};
    for (const QString& argument : arguments)
        words.push_back(QFile::encodeName(argument));
    std::vector<char*> argv;
    for (QByteArray& word : words)
        argv.push_back(word.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    if (errors >= 0)
        posix_spawn_file_actions_adddup2(&actions, errors, STDERR_FILENO);
    pid_t pid = 0;
    const int failed = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    return failed == 0 ? pid : 0;
}

// Passes the program's error output on to ours until it ends, keeping its
// end, then reaps it; `watch` gets its wait status, how long it ran and
// that end.
void passOnErrors(pid_t pid, int errors,
                  const std::function<void(int, std::chrono::milliseconds, const QByteArray&)>& watch)
{
    const auto started = std::chrono::steady_clock::now();
    QByteArray tail;
    char chunk[4096];
    for (;;) {
        const ssize_t got = read(errors, chunk, sizeof chunk);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            break;
        [[maybe_unused]] const ssize_t passed = write(STDERR_FILENO, chunk, size_t(got));
        tail = (tail + QByteArray(chunk, got)).right(kErrorTailBytes);
    }
    close(errors);
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    watch(status,
          std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - started),
          tail);
}

class DesktopShell : public ShellService
{
public:
    // The executable a program name or path stands for: a bare name is
    // looked for on PATH only, as a shell looks.
    static QString executableOf(const QString& name)
    {
        const QFileInfo file(name);
        if (!name.contains(u'/'))
            return QStandardPaths::findExecutable(name);
        return file.isFile() && file.isExecutable() ? file.absoluteFilePath() : QString();
    }

    bool startProgram(const QString& program, const QStringList& arguments, bool hidden) override
    {
        const QString name = program.trimmed();
        if (name.isEmpty())
            return false;
        const QFileInfo file(name);
        const QString executable = executableOf(name);
        if (executable.isEmpty() && name.contains(u'/') && file.isFile() && !isProgramWhereNoneMayRun(name))
            return openUrl(QUrl::fromLocalFile(file.absoluteFilePath()));
        if (executable.isEmpty())
            return false;
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

    bool startWatched(const QString& program, const QStringList& arguments,
                      std::function<void(int, std::chrono::milliseconds, const QByteArray&)> ended) override
    {
        const QString executable = executableOf(program.trimmed());
        int errors[2];
        if (executable.isEmpty() || pipe2(errors, O_CLOEXEC) != 0)
            return false;
        // The program inherits SIGPIPE ignored, as the sockets want it here:
        // once Korvalen has ended, its writes to the error output fail
        // instead of ending it.
        std::signal(SIGPIPE, SIG_IGN);
        const pid_t pid = spawn(executable, arguments, errors[1]);
        close(errors[1]);
        if (pid == 0) {
            close(errors[0]);
            return false;
        }
        try {
            std::thread([pid, errors, ended = std::move(ended)] {
                passOnErrors(pid, errors[0], ended);
            }).detach();
        } catch (const std::system_error&) {
            // Without a thread to read them, its writes to the error output
            // fail, and it stays a zombie until the program ends.
            close(errors[0]);
        }
        return true;
    }

    bool openUrl(const QUrl& url) override { return openWithDesktop(url); }

    int openAndWait(const QUrl& url) override { return openWithDesktopAndWait(url); }
};

DesktopShell g_desktop;
std::atomic<ShellService*> g_service{nullptr};

} // namespace

int exitStatusWithin(const QString& program, const QStringList& arguments, int milliseconds)
{
    const pid_t pid = spawn(program, arguments);
    if (pid == 0)
        return kNoOpener;
    // Waited on through a process file descriptor, which a poll can time
    // out on; a kernel without them (before 5.3) leaves the answer unheard.
    bool ended = false;
    const int handle = int(syscall(SYS_pidfd_open, pid, 0));
    if (handle >= 0) {
        pollfd watch{handle, POLLIN, 0};
        int ready = 0;
        do
            ready = poll(&watch, 1, milliseconds);
        while (ready < 0 && errno == EINTR);
        ended = ready > 0;
        close(handle);
    }
    if (!ended) {
        try {
            std::thread([pid] { waitpid(pid, nullptr, 0); }).detach();
        } catch (const std::system_error&) {
            // Without a thread it stays a zombie until the program ends.
        }
        return 0;
    }
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

int ShellService::openDocument(const QString& path)
{
    return openDocumentWith(*this, path);
}

bool ShellService::runInTerminal(const QString& title, const QStringList& command, bool waitForEnter)
{
    for (const QString& terminal : terminalPrograms()) {
        const QString path = findProgram(terminal);
        if (path.isEmpty())
            continue;
        // x-terminal-emulator stands for a terminal whose title switch is
        // its own.
        const QString program = QFileInfo(QFileInfo(path).canonicalFilePath()).fileName();
        return startProgram(path,
                            terminalTitleArguments(program.isEmpty() ? terminal : program, title) +
                                terminalArguments(terminal, command, waitForEnter),
                            false);
    }
    return false;
}

QString ShellService::findProgram(const QString& name)
{
    return QStandardPaths::findExecutable(name);
}

bool isProgramWhereNoneMayRun(const QString& path)
{
    const QByteArray native = QFile::encodeName(path);
    struct stat st;
    struct statvfs fs;
    return ::stat(native.constData(), &st) == 0 && S_ISREG(st.st_mode) && (st.st_mode & 0111) != 0 &&
           ::statvfs(native.constData(), &fs) == 0 && (fs.f_flag & ST_NOEXEC) != 0;
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

QString argumentRuleText()
{
    // In lines a tooltip shows as they are; the example's parameters last.
    return QStringLiteral(
        "Parameters are split at blanks. Only double quotation marks group words into\n"
        "one parameter, and three of them (\"\"\") stand for one quotation mark; single\n"
        "quotation marks and backslashes are ordinary characters, and no shell reads them.\n"
        "Example: the program /bin/sh with the parameters\n"
        "-c \"echo $1 >> /tmp/korvalen.txt\" sh %name");
}

QStringList terminalPrograms()
{
    return {QStringLiteral("x-terminal-emulator"), QStringLiteral("xterm"), QStringLiteral("gnome-terminal"),
            QStringLiteral("konsole"), QStringLiteral("xfce4-terminal")};
}

QStringList terminalArguments(const QString& terminal, const QStringList& command, bool waitForEnter)
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
              << (waitForEnter ? kRunAndWaitScript : kRunScript) << QStringLiteral("sh") << command;
    return arguments;
}

QStringList terminalTitleArguments(const QString& program, const QString& title)
{
    if (title.isEmpty())
        return {};
    // Checked by hand: zutty takes no -T (it starts a shell instead), so
    // only the programs whose switch is known get a title.
    static const struct
    {
        const char* program;
        const char* option;
    } kSwitches[] = {
        {"xterm", "-T"},          {"uxterm", "-T"},        {"lxterm", "-T"},
        {"koi8rxterm", "-T"},     {"zutty", "-title"},     {"urxvt", "-title"},
        {"rxvt", "-title"},       {"lxterminal", "-T"},    {"terminator", "-T"},
        {"xfce4-terminal", "-T"}, {"mate-terminal", "-t"}, {"gnome-terminal", "--title"},
    };
    for (const auto& entry : kSwitches)
        if (program == QLatin1String(entry.program))
            return {QString::fromLatin1(entry.option), title};
    return {};
}

} // namespace platform
