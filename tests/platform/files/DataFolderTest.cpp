// Where the settings and the activation socket of an instance lie.
#include "TestSupport.h"

#include "platform/desktop/Instance.h"
#include "platform/files/DataFolder.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

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
    };
    for (const auto& c : cases) {
        qputenv("APPDATA", c.appData);
        QString undecodable;
        EXPECT_EQ(platform::applicationDataFolder(&undecodable), c.folder) << c.appData.toStdString();
        EXPECT_EQ(undecodable, c.undecodable);
    }
}

// Only a runtime folder of the user's that nobody else may enter is used,
// and only while the socket's path fits an address; the name carries 64 bits
// of the data folder's hash.
TEST(DataFolder, TheSocketLiesInAPrivateRuntimeFolderWhereItsPathFits)
{
    test::ScopedEnvironment env;
    const QString fallback = QDir::tempPath() + QStringLiteral("/korvalen-%1").arg(::getuid());
    const QString deep = env.path() + u'/' + QString(std::max<qsizetype>(1, 95 - env.path().size()), u'r');
    const struct
    {
        QString runtime;
        mode_t mode;
        QString expected;
    } cases[] = {{env.runtimeDir(), 0700, env.runtimeDir()},
                 {env.runtimeDir(), 0710, fallback},
                 {env.path() + QStringLiteral("/shared"), 01777, fallback},
                 {deep, 0700, fallback}};
    for (const auto& c : cases) {
        ASSERT_TRUE(QDir().mkpath(c.runtime));
        ::chmod(QFile::encodeName(c.runtime).constData(), c.mode);
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(c.runtime));
        const QString socket = platform::instanceSocketPath(QStringLiteral("Korvalen. Ter"), env.dataDir());
        EXPECT_EQ(QFileInfo(socket).path(), c.expected) << c.runtime.toStdString();
        EXPECT_TRUE(platform::fitsSocketAddress(socket));
        EXPECT_TRUE(QRegularExpression(QStringLiteral("/Korvalen\\. Ter [0-9a-f]{16}\\.socket$"))
                        .match(socket)
                        .hasMatch());
    }
}

} // namespace
