// Programs the user starts from the strip (a custom application, the
// double-click program): one that does not start says which and why.
#include "TestSupport.h"

#include "core/BoxSnapshot.h"
#include "core/CustomApps.h"
#include "platform/ProgramStart.h"
#include "ui/KorvalenDlg.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <functional>

namespace {

TEST(ProgramStart, AProgramThatDoesNotStartIsNamedWithWhatWouldFixIt)
{
    QTemporaryDir dir;
    const QString out = dir.filePath(QStringLiteral("argv"));
    const QString script = dir.filePath(QStringLiteral("old.sh"));
    test::writeFile(script, "#!/nonexistent/interpreter\n");
    QFile::setPermissions(script, QFile::ReadOwner | QFile::ExeOwner | QFile::ReadOther | QFile::ExeOther);
    const QString before = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(dir.path()));
    const struct
    {
        QString program;
        const char* says; // "" when it starts
    } cases[] = {
        {QStringLiteral(ARGV_RECORDER), ""},
        {QString(), "No program is set"},
        {QStringLiteral("korvalen-no-such-program"), "search path (PATH)"},
        {QStringLiteral("bin/mailer"), "relative path"},
        {dir.filePath(QStringLiteral("gone")), "no such file"},
        {dir.path(), "It is a folder"},
        {script, "interpreter"},
    };
    const struct
    {
        const char* what;
        std::function<void(const QString&)> start;
    } starters[] = {
        {"the custom application \"Mail\"",
         [&](const QString& program) {
             CKorvalenDlg::RunCustomAppThread(BoxSnapshot{}, {"Mail", program, '"' + out + '"'});
         }},
        {"the double-click program",
         [&](const QString& program) {
             CKorvalenDlg::DoubleClickActionThread(BoxSnapshot{}, program, '"' + out + '"');
         }},
    };
    for (const auto& starter : starters) {
        for (const auto& c : cases) {
            SCOPED_TRACE(std::string(starter.what) + " " + c.program.toStdString());
            test::RecordingMessageBoxes boxes;
            QFile::remove(out);
            starter.start(c.program);
            if (!*c.says) {
                EXPECT_TRUE(test::waitFor([&] { return QFile::exists(out); }));
                EXPECT_TRUE(boxes.shown.empty());
                continue;
            }
            ASSERT_EQ(boxes.shown.size(), 1u);
            const QString& text = boxes.shown[0].text;
            EXPECT_TRUE(text.startsWith(QStringLiteral("Korvalen could not start %1:\n%2\n\n")
                                            .arg(QLatin1String(starter.what), c.program)))
                << text.toStdString();
            EXPECT_TRUE(text.contains(QLatin1String(c.says))) << text.toStdString();
        }
    }
    QDir::setCurrent(before);
    // A file that is no program, where no application opens it either.
    const QString notes = dir.filePath(QStringLiteral("notes"));
    test::writeFile(notes, "text");
    EXPECT_TRUE(platform::programProblem(notes).contains(QLatin1String("chmod +x")));
}

} // namespace
