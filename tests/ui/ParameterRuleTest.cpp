// Every field that takes a program's parameters, and the help, say how they
// are split, with an example that works that way.
#include "TestSupport.h"

#include "platform/programs/Shell.h"
#include "ui/dialogs/AEApp.h"
#include "ui/dialogs/ExecFile.h"
#include "ui/dialogs/PropertiesDlg.h"

#include <QLineEdit>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

TEST(ParameterRule, EveryParameterFieldAndTheHelpSayHowParametersAreSplit)
{
    const QString rule = platform::argumentRuleText();
    CExecFile program;
    CAEApp application;
    CPropertiesDlg options;
    for (QLineEdit* field : {program.findChild<QLineEdit*>("editParameters"),
                             application.findChild<QLineEdit*>("editParameters"),
                             options.findChild<QLineEdit*>("editDblClickParameters")})
        EXPECT_EQ(field->toolTip(), rule);
    const QString example = rule.section(u'\n', -1);
    const QByteArray help =
        test::readFile(QFileInfo(KORVALEN_BINARY).dir().filePath(QStringLiteral("Help.html")));
    EXPECT_TRUE(help.contains(QString(example).replace(u'>', QStringLiteral("&gt;")).toUtf8()));

    QTemporaryDir dir;
    QStringList arguments =
        platform::splitArguments(QString(example).replace("/tmp/korvalen.txt", dir.filePath("out")));
    ASSERT_EQ(QProcess::execute("/bin/sh", arguments.replaceInStrings("%name", "Box-1")), 0);
    EXPECT_EQ(test::readFile(dir.filePath("out")), "Box-1\n");
}
