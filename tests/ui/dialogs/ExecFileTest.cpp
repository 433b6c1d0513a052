// The program-run settings of a box.
#include "ui/dialogs/ExecFile.h"
#include "core/BoxRecord.h"
#include "platform/desktop/Dialogs.h"
#include "platform/programs/Shell.h"
#include "ui/dialogs/BalloonTip.h"
#include "ui/dialogs/SpinEdit.h"

#include "TestSupport.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

#include <vector>

namespace {

class RecordingLauncher : public platform::ShellService
{
public:
    RecordingLauncher() { platform::setShellService(this); }
    ~RecordingLauncher() override { platform::setShellService(nullptr); }
    bool startProgram(const QString& program, const QStringList& arguments, bool hidden) override
    {
        started.push_back({program, arguments, hidden});
        return starts;
    }
    bool openUrl(const QUrl&) override { return false; }
    struct Start
    {
        QString program;
        QStringList arguments;
        bool hidden;
    };
    std::vector<Start> started;
    bool starts = true;
};

class FakeProgramPicker : public platform::DialogService
{
public:
    FakeProgramPicker() { platform::setDialogService(this); }
    ~FakeProgramPicker() override { platform::setDialogService(nullptr); }
    QString getSaveFileName(QWidget*, const QString&, const QString&) override { return QString(); }
    QString getOpenFileName(QWidget*, const QString& filter) override
    {
        askedFilter = filter;
        return answer;
    }
    bool getColor(QWidget*, const QColor&, QColor&) override { return false; }
    QString askedFilter, answer;
};

template <typename T> T* control(QWidget& dialog, const char* name)
{
    T* found = dialog.findChild<T*>(QLatin1String(name));
    EXPECT_NE(found, nullptr) << name;
    return found;
}

// A click on a check box's mark: a check box wider than its text takes no
// click beyond the text.
void clickMark(QCheckBox* check)
{
    QTest::mouseClick(check, Qt::LeftButton, {}, QPoint(6, check->height() / 2));
}

} // namespace

TEST(ExecFile, MethodSetsTheStatusLabelsAndAnUnusedCloseFlagIsHandedBackUnchanged)
{
    const struct
    {
        int method;
        const char *up, *ipError, *statusNote;
        bool closeEnabled;
        const char* picture;
    } cases[] = {
        {METHOD_PING, "上", "IP ERROR", "%status=IPERROR", false, nullptr},
        {METHOD_TCP, "Open", "IP ERROR", "%status=IPERROR", true, "ExecFile-Tcp"},
        {METHOD_URL, "上", "URL ERROR", "%status=URLERROR", false, "ExecFile-Url"},
    };
    for (const auto& c : cases) {
        CExecFile dialog;
        dialog.m_nMethod = c.method;
        dialog.m_bStatus = CExecFile::FlagsFromMask(0b10101); // Up, Close, NET ERROR
        dialog.m_strFile = QStringLiteral("/usr/local/bin/notify-router");
        dialog.m_strParameters = QStringLiteral("%name %status %time");
        dialog.OnInitDialog();
        dialog.show();
        EXPECT_EQ(control<QCheckBox>(dialog, "checkUp")->text(), QString::fromUtf8(c.up));
        EXPECT_EQ(control<QCheckBox>(dialog, "checkIpError")->text(), QLatin1String(c.ipError));
        EXPECT_EQ(control<QLabel>(dialog, "labelStatusIpError")->text(), QLatin1String(c.statusNote));
        EXPECT_EQ(control<QCheckBox>(dialog, "checkClose")->isEnabled(), c.closeEnabled);
        if (c.picture)
            test::saveDialogPicture(&dialog, QString::fromLatin1(c.picture));
        clickMark(control<QCheckBox>(dialog, "checkDown"));
        QTest::mouseClick(control<QPushButton>(dialog, "buttonOK"), Qt::LeftButton);
        EXPECT_EQ(dialog.result(), QDialog::Accepted);
        EXPECT_EQ(CExecFile::MaskFromFlags(dialog.m_bStatus), 0b10111) << c.method;
    }
}

TEST(ExecFile, CountArrowsAndTypingKeepEditSpinAndBalloonTogether)
{
    const struct
    {
        uint32_t interval, count;
        int steps;         // arrow clicks, when nothing is typed
        const char* typed; // replaces the edit's text
        uint32_t expected;
        const char* balloon; // nullptr: none shown
    } cases[] = {
        {3, 9998, 1, nullptr, 9999, "8 hr 19 min 57 sec."},  // one step up
        {30, 1, -1, nullptr, 0, "0 hr 0 min 0 sec."},        // one step down
        {3, 9999, 1, nullptr, 9999, nullptr},                // the arrow stops at the top
        {3, 7, 0, "1500", 1500, "1 hr 15 min 0 sec."},       // typed
        {3, 42, 0, "", 0, "0 hr 0 min 0 sec."},              // cleared
        {500, 12, 0, "9999", 9999, "1388 hr 45 min 0 sec."}, // the longest the spin allows
    };
    for (const auto& c : cases) {
        CExecFile dialog;
        dialog.m_nInterval = c.interval;
        dialog.m_nCount = c.count;
        dialog.OnInitDialog();
        dialog.show();
        auto* spin = control<CSpinEdit>(dialog, "spinCount");
        if (c.typed) {
            spin->edit()->selectAll();
            if (*c.typed)
                QTest::keyClicks(spin->edit(), QLatin1String(c.typed));
            else
                QTest::keyClick(spin->edit(), Qt::Key_Delete);
        } else {
            QTest::keyClick(spin, c.steps > 0 ? Qt::Key_Up : Qt::Key_Down);
        }
        EXPECT_EQ(dialog.m_nCount, c.expected) << c.count;
        EXPECT_EQ(spin->edit()->text(), c.typed ? QLatin1String(c.typed) : QString::number(c.expected));
        const CBalloonTip* balloon = CBalloonTip::visibleFor(spin);
        if (!c.balloon) {
            EXPECT_EQ(balloon, nullptr);
            continue;
        }
        ASSERT_NE(balloon, nullptr);
        EXPECT_EQ(balloon->text(),
                  QStringLiteral("Execute File if IP change Status for ") + QLatin1String(c.balloon));
    }
    // The product is worked out in 64 bits: an interval from a hand-edited
    // file times 9999 passes 2^32.
    EXPECT_EQ(CExecFile::CountBalloonText(1000000, 9999),
              QStringLiteral("Execute File if IP change Status for 2777500 hr 0 min 0 sec."));
}

TEST(ExecFile, TestRunsTheProgramWithSampleValuesInArgumentsSplitFirst)
{
    const struct
    {
        int method;
        const char* target;
        uint32_t port;
        const char* parameters;
        QStringList expected;
    } cases[] = {
        {METHOD_PING,
         "192.0.2.7",
         80,
         "%ip %port %url \"%name\" %status %method",
         {"192.0.2.7", "N/A", "N/A", "Main-router", "STATUS", "Ping"}},
        {METHOD_TCP, "db.example", 5432, "--host=%ip:%port %text", {"--host=db.example:5432", "Main-router"}},
        {METHOD_URL,
         "http://web.example:8080/x",
         0,
         "%ip %port %url %method",
         {"web.example", "8080", "http://web.example:8080/x", "URL"}},
    };
    RecordingLauncher launcher;
    test::RecordingMessageBoxes boxes;
    for (const auto& c : cases) {
        CExecFile dialog;
        dialog.m_nMethod = c.method;
        dialog.m_strTarget = QLatin1String(c.target);
        dialog.m_nPort = c.port;
        dialog.m_strBoxName = QStringLiteral("Main router");
        dialog.m_strFile = QStringLiteral("/opt/alert");
        dialog.OnInitDialog();
        dialog.show();
        control<QLineEdit>(dialog, "editParameters")->setText(QLatin1String(c.parameters));
        clickMark(control<QCheckBox>(dialog, "checkRunHidden"));
        QTest::mouseClick(control<QPushButton>(dialog, "buttonTest"), Qt::LeftButton);
        ASSERT_EQ(launcher.started.size(), 1u);
        EXPECT_EQ(launcher.started[0].program, QStringLiteral("/opt/alert"));
        EXPECT_EQ(launcher.started[0].arguments, c.expected);
        EXPECT_TRUE(launcher.started[0].hidden);
        launcher.started.clear();
    }
    EXPECT_TRUE(boxes.shown.empty());

    // "%time" stays one argument although its value holds a blank.
    CExecFile dialog;
    dialog.m_strParameters = QStringLiteral("at %time");
    EXPECT_EQ(dialog.SampleArguments(QStringLiteral("12/07/26 16:05:09")),
              (QStringList{"at", "12/07/26 16:05:09"}));

    // A program that cannot start is reported for the Test.
    launcher.starts = false;
    dialog.m_strFile = QStringLiteral("/nowhere/alert");
    dialog.OnInitDialog();
    dialog.show();
    QTest::mouseClick(control<QPushButton>(dialog, "buttonTest"), Qt::LeftButton);
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_TRUE(boxes.shown[0].text.contains(QStringLiteral("/nowhere/alert")));
}

TEST(ExecFile, BrowseOffersAllFilesFirstAndCancelKeepsTheProgram)
{
    FakeProgramPicker picker;
    CExecFile dialog;
    dialog.m_strFile = QStringLiteral("/opt/old");
    dialog.OnInitDialog();
    dialog.show();
    picker.answer = QStringLiteral("/opt/new-script");
    QTest::mouseClick(control<QPushButton>(dialog, "buttonBrowse"), Qt::LeftButton);
    // The picker opens on its first row: programs on Linux carry no extension.
    EXPECT_EQ(picker.askedFilter, QStringLiteral("All Files (*);;EXE, BAT File (*.exe *.bat)"));
    EXPECT_EQ(control<QLineEdit>(dialog, "editFile")->text(), QStringLiteral("/opt/new-script"));
    picker.answer.clear();
    QTest::mouseClick(control<QPushButton>(dialog, "buttonBrowse"), Qt::LeftButton);
    EXPECT_EQ(control<QLineEdit>(dialog, "editFile")->text(), QStringLiteral("/opt/new-script"));
    QTest::mouseClick(control<QPushButton>(dialog, "buttonCancel"), Qt::LeftButton);
    EXPECT_EQ(dialog.result(), QDialog::Rejected);
}
