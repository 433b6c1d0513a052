#include "TestSupport.h"

#include "platform/files/DataFolder.h"

#include <QDir>

#include <gtest/gtest.h>

namespace {

// APPDATA is taken from the working folder when relative, and refused when
// its bytes are no file name here: decoded, two such folders would be one.
TEST(DataFolder, ApplicationDataFolderIsTheOneTheEnvironmentNames)
{
    test::ScopedEnvironment env;
    const struct
    {
        QByteArray appData;
        std::optional<QString> folder;
        QString undecodable;
    } cases[] = {
        {"rel/../appdata/", QDir::currentPath() + QStringLiteral("/appdata"), QString()},
        {env.path().toUtf8() + "/a\xff", std::nullopt, QStringLiteral("APPDATA")},
        {"", env.configHome(), QString()},
    };
    for (const auto& c : cases) {
        qputenv("APPDATA", c.appData);
        QString undecodable;
        EXPECT_EQ(platform::applicationDataFolder(&undecodable), c.folder) << c.appData.toStdString();
        EXPECT_EQ(undecodable, c.undecodable);
    }
}

} // namespace
