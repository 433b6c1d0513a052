// Start at login: the autostart entry of each instance, how the Options dialog
// reads it, and when it creates or removes it.
#include "TestSupport.h"

#include "platform/desktop/Autostart.h"
#include "ui/dialogs/PropertiesDlg.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QPushButton>
#include <QStandardPaths>
#include <QTest>

#include <gtest/gtest.h>

namespace {

// Clicked near the left edge, where a check box has its box.
void clickButton(QAbstractButton* button)
{
    QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(6, button->height() / 2));
}

// desktop-file-validate's complaints about the file; empty when it is valid.
QString validationErrors(const QString& path)
{
    QProcess validate;
    validate.setProcessChannelMode(QProcess::MergedChannels);
    validate.start(QStringLiteral("desktop-file-validate"), {path});
    if (!validate.waitForFinished(10000))
        return QStringLiteral("desktop-file-validate did not finish");
    const QString output = QString::fromUtf8(validate.readAll());
    return validate.exitCode() == 0 && !output.contains(QStringLiteral("error")) ? QString() : output;
}

class StartAtLogin : public ::testing::Test
{
protected:
    void SetUp() override
    {
        if (QStandardPaths::findExecutable(QStringLiteral("desktop-file-validate")).isEmpty())
            GTEST_SKIP() << "desktop-file-validate (desktop-file-utils) is not installed";
    }
    QString entry(int instance) const
    {
        return env.configHome() + QStringLiteral("/autostart/") + CPropertiesDlg::RunValueName(instance) +
               QStringLiteral(".desktop");
    }
    // Opens a dialog of the instance, sets its check box and applies.
    static void applyWith(CPropertiesDlg& dlg, bool on)
    {
        dlg.OnInitDialog();
        dlg.findChild<QCheckBox*>(QStringLiteral("checkRunAtStartup"))->setChecked(on);
        clickButton(dlg.findChild<QPushButton*>(QStringLiteral("buttonApply")));
    }

    test::ScopedEnvironment env;
    test::RecordingMessageBoxes messages;
};

TEST_F(StartAtLogin, CommandQuotesTheProgramByTheDesktopEntryRules)
{
    const struct
    {
        const char* program;
        const char* argument;
        const char* command; // as the file holds it
    } cases[] = {
        {"/usr/bin/korvalen", nullptr, R"("/usr/bin/korvalen")"},
        {"/opt/My Tools/korvalen", "/secondary", R"("/opt/My Tools/korvalen" /secondary)"},
        {"/x/$HOME \"q\"/korvalen", "/tertiary", R"("/x/\\$HOME \\"q\\"/korvalen" /tertiary)"},
        {"/x/100%/k`id`", nullptr, R"("/x/100%%/k\\`id\\`")"},
        {"/x/back\\slash/监视", nullptr, R"("/x/back\\\\slash/监视")"},
    };
    for (const auto& c : cases) {
        const QString program = QString::fromUtf8(c.program);
        const QStringList arguments =
            c.argument ? QStringList{QString::fromLatin1(c.argument)} : QStringList();
        const QString command = platform::autostartCommand(program, arguments);
        EXPECT_EQ(command, QString::fromUtf8(c.command)) << c.program;
        ASSERT_TRUE(platform::writeAutostartEntry(QStringLiteral("Korvalen Sec"), command));
        EXPECT_EQ(validationErrors(entry(1)), QString()) << c.program;
    }
}

TEST_F(StartAtLogin, EachInstanceHasItsOwnEntryAndSwitchingOneOffRemovesOnlyIt)
{
    const char* const switches[] = {"", " /secondary", " /tertiary"};
    for (int instance = 0; instance < 3; ++instance) {
        CPropertiesDlg dlg;
        dlg.m_nInstance = instance;
        applyWith(dlg, true);
        const QString text = QString::fromUtf8(test::readFile(entry(instance)));
        const QString exec =
            u'"' + QCoreApplication::applicationFilePath() + u'"' + QLatin1String(switches[instance]);
        EXPECT_TRUE(text.contains(QStringLiteral("\nExec=") + exec + u'\n')) << text.toStdString();
        EXPECT_EQ(validationErrors(entry(instance)), QString());
    }
    CPropertiesDlg second;
    second.m_nInstance = 1;
    applyWith(second, false);
    EXPECT_FALSE(QFile::exists(entry(1)));
    EXPECT_TRUE(QFile::exists(entry(0)));
    EXPECT_TRUE(QFile::exists(entry(2)));
    EXPECT_TRUE(messages.shown.empty());
}

TEST_F(StartAtLogin, CheckBoxShowsWhetherTheEntryRunsThisProgram)
{
    const QString ours = CPropertiesDlg::RunValueData(1);
    const struct
    {
        const char* what;
        QString exec;
        const char* extra;
        bool shown;
    } cases[] = {
        {"this program", ours, "", true},
        {"other letter case", ours.toUpper(), "", true},
        {"another program", QStringLiteral("\"/opt/old/korvalen\" /secondary"), "", false},
        {"another instance", CPropertiesDlg::RunValueData(2), "", false},
        {"turned off by the desktop", ours, "Hidden=true\n", false},
    };
    for (const auto& c : cases) {
        QDir().mkpath(env.configHome() + QStringLiteral("/autostart"));
        test::writeFile(entry(1), "[Desktop Entry]\nType=Application\nName=K\nExec=" + c.exec.toUtf8() +
                                      "\n" + QByteArray(c.extra));
        CPropertiesDlg dlg;
        dlg.m_nInstance = 1;
        dlg.m_bRunAtStartup = !c.shown;
        dlg.OnInitDialog();
        EXPECT_EQ(dlg.findChild<QCheckBox*>(QStringLiteral("checkRunAtStartup"))->isChecked(), c.shown)
            << c.what;
    }
}

TEST_F(StartAtLogin, OnlyAChangeOfTheCheckBoxCreatesOrRemovesTheEntry)
{
    // An entry the dialog does not show as its own (another copy of the
    // program) survives an Apply made for something else.
    QDir().mkpath(env.configHome() + QStringLiteral("/autostart"));
    const QByteArray foreign = "[Desktop Entry]\nType=Application\nName=K\nExec=\"/opt/old/korvalen\"\n";
    test::writeFile(entry(0), foreign);
    CPropertiesDlg dlg;
    dlg.OnInitDialog();
    auto* check = dlg.findChild<QCheckBox*>(QStringLiteral("checkRunAtStartup"));
    auto* apply = dlg.findChild<QPushButton*>(QStringLiteral("buttonApply"));
    EXPECT_FALSE(check->isChecked());
    clickButton(dlg.findChild<QCheckBox*>(QStringLiteral("checkEnableLog")));
    clickButton(apply);
    EXPECT_EQ(test::readFile(entry(0)), foreign);

    // Turned on, then off again in the same run of the dialog.
    clickButton(check);
    clickButton(apply);
    EXPECT_EQ(validationErrors(entry(0)), QString());
    EXPECT_NE(test::readFile(entry(0)), foreign);
    clickButton(check);
    clickButton(apply);
    EXPECT_FALSE(QFile::exists(entry(0)));
    EXPECT_TRUE(messages.shown.empty());
}

TEST_F(StartAtLogin, AnEntryThatCannotBeWrittenIsReported)
{
    // A file where the autostart folder should be.
    QDir().mkpath(env.configHome());
    test::writeFile(env.configHome() + QStringLiteral("/autostart"), "not a folder");
    CPropertiesDlg dlg;
    applyWith(dlg, true);
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_TRUE(messages.shown[0].text.contains(QStringLiteral("autostart/Korvalen.desktop")))
        << messages.shown[0].text.toStdString();
    // The next Apply tries again.
    clickButton(dlg.findChild<QPushButton*>(QStringLiteral("buttonApply")));
    EXPECT_EQ(messages.shown.size(), 2u);
}

} // namespace
