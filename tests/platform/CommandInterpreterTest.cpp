// The command interpreter's scripts: values put into them are quoted for the
// place where they stand, proved with a real /bin/sh.
#include "platform/CommandInterpreter.h"

#include "TestSupport.h"

#include <QDir>
#include <QProcess>

#include <gtest/gtest.h>

// Readable failure messages for Qt strings.
static void PrintTo(const QString& text, std::ostream* out)
{
    *out << '"' << text.toStdString() << '"';
}

namespace {

// Values that would run `touch pwned` if any of them reached the shell as
// code, or would end the quoting around them.
const QStringList kHostileValues{
    QStringLiteral("$(touch pwned)"),
    QStringLiteral("`touch pwned`"),
    QStringLiteral("'; touch pwned; '"),
    QStringLiteral("\"; touch pwned; \""),
    QStringLiteral("a\\\"; touch pwned; #"),
    QStringLiteral("\\'$(touch pwned)'"),
    QStringLiteral("x\ntouch pwned"),
    QStringLiteral("${HOME:+$(touch pwned)} *"),
    QStringLiteral("\\"),
    QString(),
};

// Runs the script with /bin/sh in a fresh folder; its standard output.
QString runShell(const QString& script, const QString& folder)
{
    QProcess shell;
    shell.setWorkingDirectory(folder);
    shell.start(QStringLiteral("/bin/sh"), {QStringLiteral("-c"), script});
    EXPECT_TRUE(shell.waitForFinished(10000));
    return QString::fromUtf8(shell.readAllStandardOutput());
}

TEST(CommandInterpreter, ValuesReachTheCommandAsTextWhereverThePlaceholderStands)
{
    test::ScopedEnvironment env;
    // Each script prints its words in brackets; `expected` is what the shell
    // prints, with @ for the value put in for %v.
    const struct
    {
        const char* script;
        const char* expected; // nullptr: only nothing may run
    } cases[] = {
        {"printf '[%s]' %v", "[@]"},
        {"printf '[%s]' x%vy", "[x@y]"},
        {"printf '[%s]' \"%v\"", "[@]"},
        {"printf '[%s]' \"a %v b\"", "[a @ b]"},
        {"printf '[%s]' '%v'", "[@]"},
        {"printf '[%s]' 'a %v b'", "[a @ b]"},
        // A backslash that escapes nothing inside double quotes stays one.
        {"printf '[%s]' \"\\%v\"", "[\\@]"},
        {"printf '[%s]' \"\\\\%v\"", "[\\@]"},
        // An escaped placeholder is text, not a place for the value.
        {"printf '[%s]' \\%v", "[%v]"},
        {"v=%v; printf '[%s]' \"$v\"", "[@]"},
        {"printf '[%s]' $(printf '%s' %v)", nullptr},
    };
    for (const auto& c : cases) {
        for (const QString& value : kHostileValues) {
            SCOPED_TRACE(::testing::Message() << c.script << " with " << value.toStdString());
            const QString folder = env.path() + QStringLiteral("/run");
            QDir(folder).removeRecursively();
            QDir().mkpath(folder);
            const QString script =
                platform::replaceShellQuoted(QString::fromUtf8(c.script), QStringLiteral("%v"), value);
            const QString output = runShell(script, folder);
            if (c.expected) {
                EXPECT_EQ(output, QString::fromUtf8(c.expected).replace(u'@', value));
            }
            EXPECT_FALSE(QFile::exists(folder + QStringLiteral("/pwned"))) << script.toStdString();
        }
    }
}

TEST(CommandInterpreter, EachReplacementSeesTheValuesBeforeItAsQuotedText)
{
    // A user name that holds "%message" gets the message in its place; a
    // message that holds "%user" keeps it, since messages come last.
    QString script = QStringLiteral("printf '[%s]' %user \"%message\"");
    script = platform::replaceShellQuoted(script, QStringLiteral("%user"), QStringLiteral("a%messageb"));
    script = platform::replaceShellQuoted(script, QStringLiteral("%message"), QStringLiteral("it's %user"));
    test::ScopedEnvironment env;
    EXPECT_EQ(runShell(script, env.path()), QStringLiteral("[ait's %userb][it's %user]"));
}

TEST(CommandInterpreter, SwitchesAndTheEnclosingQuotesGiveTheScript)
{
    const struct
    {
        const char* parameters;
        const char* script;
        bool keepOpen;
    } cases[] = {
        {"/K \"msg %ip\"", "msg %ip", true},
        {"/k \"msg %ip\"", "msg %ip", true},
        {"/C \"ping %ip && read x\"", "ping %ip && read x", false},
        {"/c ls -l", "ls -l", false},
        {"  /C   \"a \"b\" c\"  ", "a \"b\" c", false},
        {"echo hi", "echo hi", true},
        {"", "", true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.parameters);
        const platform::InterpreterScript script =
            platform::interpreterScript(QString::fromUtf8(c.parameters));
        EXPECT_EQ(script.text, QString::fromUtf8(c.script));
        EXPECT_EQ(script.keepOpen, c.keepOpen);
    }
    for (const char* name : {"cmd", "CMD", "cmd.exe", " Cmd.EXE "})
        EXPECT_TRUE(platform::isCommandInterpreter(QString::fromUtf8(name))) << name;
    for (const char* name : {"", "/usr/bin/cmd", "cmdx", "sh"})
        EXPECT_FALSE(platform::isCommandInterpreter(QString::fromUtf8(name))) << name;
}

} // namespace
