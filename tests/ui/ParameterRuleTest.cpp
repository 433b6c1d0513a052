// Every field that takes a program's parameters, and the help, say how the
// parameters are split, with an example that really works that way.
#include "TestSupport.h"

#include "platform/Shell.h"
#include "ui/dialogs/AEApp.h"
#include "ui/dialogs/ExecFile.h"
#include "ui/dialogs/PropertiesDlg.h"

#include <QFileInfo>
#include <QLineEdit>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

TEST(ParameterRule, EveryParameterFieldAndTheHelpSayHowParametersAreSplit)
{
    const QString rule = platform::argumentRuleText();
    CExecFile program(nullptr);
    CAEApp application(nullptr);
    CPropertiesDlg options(nullptr);
    const std::pair<QWidget*, const char*> fields[] = {
        {&program, "editParameters"}, {&application, "editParameters"}, {&options, "editDblClickParameters"}};
    for (const auto& [dialog, name] : fields) {
        const auto* field = dialog->findChild<QLineEdit*>(QLatin1String(name));
        ASSERT_NE(field, nullptr) << name;
        EXPECT_EQ(field->toolTip(), rule) << name;
    }

    // The example: its parameters follow the last "parameters ".
    const QString example = rule.mid(rule.lastIndexOf(QStringLiteral("parameters ")) + 11);
    const QString help = QString::fromUtf8(test::readFile(
        QFileInfo(QStringLiteral(KORVALEN_BINARY)).dir().filePath(QStringLiteral("Help.html"))));
    EXPECT_TRUE(help.contains(QString(example).replace(u'>', QStringLiteral("&gt;"))))
        << example.toStdString();

    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString out = dir.filePath(QStringLiteral("out.txt"));
    QStringList arguments = platform::splitArguments(QString(example).replace("/tmp/korvalen.txt", out));
    arguments.replaceInStrings(QStringLiteral("%name"), QStringLiteral("Box-1"));
    ASSERT_EQ(QProcess::execute(QStringLiteral("/bin/sh"), arguments), 0);
    EXPECT_EQ(test::readFile(out), "Box-1\n");
}

} // namespace
