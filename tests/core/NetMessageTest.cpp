// The default network message command, run by a real shell with stand-ins
// for ssh and write.
#include "core/NetMessage.h"

#include "platform/programs/ProgramStart.h"
#include "ui/dialogs/DialogTestSupport.h"

#include <QDir>
#include <QFile>
#include <QLocale>
#include <QProcess>
#include <QProcessEnvironment>

#include <gtest/gtest.h>

namespace {

void writeScript(const QString& path, const QByteArray& text)
{
    test::writeFile(path, "#!/bin/sh\n" + text);
    QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

TEST(NetMessage, TheDefaultCommandHandsHostUserAndMessageOverAsTextOnly)
{
    test::ScopedEnvironment env;
    const QString bin = env.path() + QStringLiteral("/bin");
    QDir().mkpath(bin);
    // ssh records its arguments and runs the remote command as a remote
    // shell would, its words joined by blanks; write records its user and
    // the message it reads.
    writeScript(bin + QStringLiteral("/ssh"),
                "printf '%s\\n' \"$@\" > ssh.args\nshift 2\nexec /bin/sh -c \"$*\"\n");
    writeScript(bin + QStringLiteral("/write"), "printf '%s\\n' \"$@\" > write.args\ncat > write.stdin\n");
    const struct
    {
        QString host, user, message, userWritten;
    } cases[] = {
        {QStringLiteral("192.0.2.7"), QStringLiteral("alice"), QStringLiteral("Backup done"),
         QStringLiteral("alice")},
        {QStringLiteral("$(touch pwned)"), QStringLiteral("`touch pwned`;x"),
         QStringLiteral("'; touch pwned; '"), QStringLiteral("`touch pwned`;x")},
        // A user name that holds "%message" gets the message in its place; a
        // message that holds "%user" keeps it, since messages come last.
        {QStringLiteral("fe80::1%eth0"), QStringLiteral("a%messageb"), QStringLiteral("\"$(x)\" %user"),
         QStringLiteral("a\"$(x)\" %userb")},
        // A leading - is a name for write, not an option.
        {QStringLiteral("192.0.2.7"), QStringLiteral("-V"), QStringLiteral("-n 你好 \"it's\"\n`x` $(y)"),
         QStringLiteral("-V")},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.message.toStdString());
        const QString work = env.path() + QStringLiteral("/work");
        QDir(work).removeRecursively();
        QDir().mkpath(work);
        test::RecordingLauncher launcher;
        ASSERT_EQ(
            sendNetMessage(defaultNetMsgCommand(), defaultNetMsgParameters(), c.host, c.user, c.message),
            NetMessageSent::Started);
        ASSERT_EQ(launcher.started.size(), 1u);
        const QStringList terminal = launcher.started[0];
        ASSERT_EQ(terminal.mid(0, 3), (QStringList{"terminal", "/bin/sh", "-c"}));

        // The terminal's shell, with the stand-ins first on the path; the
        // shell that "/K" leaves open ends at once here.
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("PATH"), bin + u':' + environment.value(QStringLiteral("PATH")));
        environment.insert(QStringLiteral("SHELL"), QStringLiteral("/bin/true"));
        QProcess shell;
        shell.setProcessEnvironment(environment);
        shell.setWorkingDirectory(work);
        shell.start(QStringLiteral("/bin/sh"), terminal.mid(2));
        ASSERT_TRUE(shell.waitForFinished(10000));
        EXPECT_EQ(shell.exitCode(), 0) << shell.readAllStandardError().toStdString();
        EXPECT_TRUE(test::readFile(work + QStringLiteral("/ssh.args"))
                        .startsWith(("--\n" + c.host + u'\n').toUtf8()));
        EXPECT_EQ(test::readFile(work + QStringLiteral("/write.args")),
                  (QStringLiteral("--\n") + c.userWritten + u'\n').toUtf8());
        EXPECT_EQ(test::readFile(work + QStringLiteral("/write.stdin")), (c.message + u'\n').toUtf8());
        EXPECT_FALSE(QFile::exists(work + QStringLiteral("/pwned")));
    }
}

TEST(NetMessage, NoValueRunsWhereverTheTemplatePutsItAndEachArrivesAsItIs)
{
    // Values that run `touch pwned` if the shell reads them as script text.
    const QStringList values = {"a;touch pwned;b",   "$(touch pwned)",        "`touch pwned`",
                                "'; touch pwned; '", "\"; touch pwned; \"",   "x\ntouch pwned",
                                ");touch pwned;(",   "EOF\ntouch pwned\nEOF", "a\\\"b\\",
                                "a[$(touch pwned)]"};
    // Each template and what its script writes to "out", @ standing for the
    // value; nullptr: the template is refused and nothing starts.
    const std::pair<const char*, const char*> cases[] = {
        {"/C printf %s \"$(printf %s %message)\" > out", "@"},
        {"/C printf %s \"$(printf %s \"%ip\")\" > out", "@"},
        {"/C printf %s \"`printf %s %user`\" > out", "@"},
        {"/C printf %s \"`printf %s \\\"%message\\\"`\" > out", "@"},
        {"/C printf %s \"$(printf %s 'a%message' \"`printf %s \\\"%ip\\\"`\")\" > out", "a@@"},
        {"/C printf %s \"x\\%user\" > out", "x\\@"},
        {"/C printf %s %ip > out # %message", "@"},
        {"/C cat > out <<EOF\n%message\nEOF", "@\n"},
        {"/C cat > out <<-\"EOF\"\n%message\nEOF", nullptr},
        {"/C printf %s $(( %message )) > out", nullptr},
        {"/C printf %s \"${x:-%user}\" > out", nullptr},
        // Where bash reads a value as arithmetic; a test in single brackets does not.
        {"/C (( %ip > 1 )); printf %s \"%ip\" > out", nullptr},
        {"/C [[ %ip -eq 1 ]]; printf %s \"%ip\" > out", nullptr},
        {"/C a[%ip]=1; printf %s \"%ip\" > out", nullptr},
        {"/C let x=%ip; printf %s \"%ip\" > out", nullptr},
        {"/C [ \"%ip\" != x ] && printf %s \"%ip\" > out", "@"},
    };
    test::ScopedEnvironment env;
    const QString out = env.path() + QStringLiteral("/out");
    for (const auto& [parameters, written] : cases) {
        for (const QString& value : values) {
            SCOPED_TRACE(::testing::Message() << parameters << " with " << value.toStdString());
            test::RecordingLauncher launcher;
            sendNetMessage(defaultNetMsgCommand(), QString::fromUtf8(parameters), value, value, value);
            EXPECT_EQ(launcher.started.size(), written ? 1u : 0u);
            if (!written || launcher.started.empty())
                continue;
            // The terminal's /bin/sh, and bash where /bin/sh is bash.
            for (const char* shell : {"/bin/sh", "bash"}) {
                QFile::remove(out);
                QProcess process;
                process.setWorkingDirectory(env.path());
                process.start(shell, launcher.started[0].mid(2));
                ASSERT_TRUE(process.waitForFinished(10000));
                EXPECT_EQ(QString::fromUtf8(test::readFile(out)).toStdString(),
                          QString::fromUtf8(written).replace(u'@', value).toStdString())
                    << shell;
                ASSERT_FALSE(QFile::exists(env.path() + QStringLiteral("/pwned"))) << shell;
            }
        }
    }
}

TEST(NetMessage, AValueLongerThanAProgramArgumentCanBeIsRefusedBeforeAnythingStarts)
{
    // A byte more than the system takes in one argument: the start would fail.
    const qsizetype limit = platform::longestArgument();
    const struct
    {
        const char *command, *parameters;
        qsizetype size;
        NetMessageSent sent;
    } cases[] = {
        {"cmd", "/C printf %s %message", limit, NetMessageSent::Started},
        {"cmd", "/C printf %s %message", limit + 1, NetMessageSent::TooLong},
        {"notify-send", "Korvalen %message", limit, NetMessageSent::Started},
        {"notify-send", "Korvalen:%message", limit, NetMessageSent::TooLong},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.parameters << " with " << c.size << " bytes");
        test::RecordingLauncher launcher;
        QString refused;
        EXPECT_EQ(sendNetMessage(QString::fromUtf8(c.command), QString::fromUtf8(c.parameters), "h", "u",
                                 QString(c.size, u'a'), &refused),
                  c.sent);
        EXPECT_EQ(launcher.started.size(), c.sent == NetMessageSent::Started ? 1u : 0u);
        EXPECT_EQ(refused.contains(QLocale().toString(limit)), c.sent == NetMessageSent::TooLong)
            << refused.toStdString();
    }
}

} // namespace
