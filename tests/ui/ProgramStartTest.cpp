// Programs the user starts from the strip: one that does not start is named,
// with why and what would fix it.
#include "TestSupport.h"

#include "platform/ProgramStart.h"
#include "ui/KorvalenDlg.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

TEST(ProgramStart, AProgramThatDoesNotStartIsNamedWithWhatWouldFixIt)
{
    QTemporaryDir dir;
    const QString out = dir.filePath("argv"), script = dir.filePath("old.sh");
    test::writeFile(script, "#!/nonexistent/interpreter\n");
    QFile::setPermissions(script, QFile::ReadOwner | QFile::ExeOwner);
    const QString before = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(dir.path()));
    const std::pair<QString, const char*> cases[] = {
        {ARGV_RECORDER, ""}, // starts
        {"", "No program is set"},
        {"korvalen-no-such-program", "search path (PATH)"},
        {"bin/mailer", "relative path"},
        {dir.filePath("gone"), "no such file"},
        {dir.path(), "It is a folder"},
        {script, "interpreter"},
    };
    for (const bool custom : {true, false}) {
        for (const auto& [program, says] : cases) {
            SCOPED_TRACE(program.toStdString());
            test::RecordingMessageBoxes boxes;
            if (custom)
                CKorvalenDlg::RunCustomAppThread(BoxSnapshot{}, {"Mail", program, '"' + out + '"'});
            else
                CKorvalenDlg::DoubleClickActionThread(BoxSnapshot{}, program, '"' + out + '"');
            EXPECT_TRUE(*says || test::waitFor([&] { return QFile::remove(out); }));
            const QString what = custom ? "the custom application \"Mail\"" : "the double-click program";
            const QString text = boxes.shown.empty() ? QString() : boxes.shown[0].text;
            EXPECT_TRUE(
                *says ? boxes.shown.size() == 1 && text.contains(says) &&
                            text.startsWith("Korvalen could not start " + what + ":\n" + program + "\n\n")
                      : boxes.shown.empty())
                << text.toStdString();
        }
    }
    QDir::setCurrent(before);
}
