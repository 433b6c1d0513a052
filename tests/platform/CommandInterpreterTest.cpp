// The command interpreter's scripts: values put into them are quoted for the
// place where they stand, proved with a real /bin/sh.
#include "platform/CommandInterpreter.h"

#include "TestSupport.h"

#include <QDir>
#include <QProcess>

#include <gtest/gtest.h>

namespace {

TEST(CommandInterpreter, ValuesReachTheCommandAsTextWhereverThePlaceholderStands)
{
    // Values that would run `touch pwned` if any reached the shell as code or
    // ended the quoting around them.
    const QString values[] = {
        QStringLiteral("$(touch pwned)"),
        QStringLiteral("`touch pwned`"),
        QStringLiteral("'; touch pwned; '"),
        QStringLiteral("\"; touch pwned; \""),
        QStringLiteral("a\\\"; touch pwned;"),
        QStringLiteral("\\'$(touch pwned)'"),
        QStringLiteral("x\ntouch pwned"),
        QStringLiteral("${HOME:+$(touch pwned)} *"),
        QStringLiteral("\\"),
        QString(),
    };
    // What each script prints, with @ for the value put in for %v.
    const struct
    {
        const char* script;
        const char* printed; // nullptr: only nothing may run
    } cases[] = {
        {"printf '[%s]' %v", "[@]"},
        {"printf '[%s]' x%vy", "[x@y]"},
        {"printf '[%s]' \"a %v b\"", "[a @ b]"},
        {"printf '[%s]' 'a %v b'", "[a @ b]"},
        // A backslash inside double quotes that escapes nothing stays one.
        {"printf '[%s]' \"\\%v\"", "[\\@]"},
        {"printf '[%s]' \"\\\\%v\"", "[\\@]"},
        // An escaped placeholder is text.
        {"printf '[%s]' \\%v", "[%v]"},
        {"printf '[%s]' $(printf '%s' %v)", nullptr},
        // Backquotes within backquotes; two here-documents on one line.
        {"printf '[%s]' \"`printf %s \\\"\\`printf %s %v\\`\\\"`\"", "[@]"},
        {"cat <<A; cat <<-B\n[%v]\nA\n\t[%v]\n\tB", "[@]\n[@]\n"},
    };
    test::ScopedEnvironment env;
    for (const auto& c : cases) {
        for (const QString& value : values) {
            SCOPED_TRACE(::testing::Message() << c.script << " with " << value.toStdString());
            const platform::BoundScript script =
                platform::bindShellValues(QString::fromUtf8(c.script), {{QStringLiteral("%v"), value}});
            QProcess shell;
            shell.setWorkingDirectory(env.path());
            shell.start(QStringLiteral("/bin/sh"),
                        QStringList{QStringLiteral("-c"), script.text, QStringLiteral("sh")} +
                            script.arguments);
            ASSERT_TRUE(shell.waitForFinished(10000));
            if (c.printed) {
                EXPECT_EQ(QString::fromUtf8(shell.readAllStandardOutput()).toStdString(),
                          QString::fromUtf8(c.printed).replace(u'@', value).toStdString());
            }
            ASSERT_FALSE(QFile::exists(env.path() + QStringLiteral("/pwned"))) << script.text.toStdString();
        }
    }
}

} // namespace
