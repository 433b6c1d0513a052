#include "TestSupport.h"

#include "app/KorvalenApp.h"

#include <gtest/gtest.h>

namespace {

class SavedVariable
{
public:
    explicit SavedVariable(const char* name)
        : m_name(name), m_value(qgetenv(name)), m_set(qEnvironmentVariableIsSet(name))
    {
        qunsetenv(name);
    }
    ~SavedVariable()
    {
        if (m_set)
            qputenv(m_name, m_value);
    }

private:
    const char* m_name;
    QByteArray m_value;
    bool m_set;
};

TEST(KorvalenApp, WithoutAnyFolderForSettingsItSaysSoAndEnds)
{
    test::ScopedEnvironment env; // the runtime folder for the instance lock
    test::RecordingMessageBoxes boxes;
    SavedVariable appData("APPDATA"), config("XDG_CONFIG_HOME"), home("HOME");
    EXPECT_FALSE(theApp.InitInstance({QStringLiteral("korvalen"), QStringLiteral("/tertiary")}));
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_TRUE(boxes.shown[0].text.contains(QStringLiteral("HOME")));
    EXPECT_EQ(boxes.shown[0].caption, QStringLiteral("Korvalen"));
}

} // namespace
