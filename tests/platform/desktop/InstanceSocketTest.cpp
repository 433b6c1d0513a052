// Where the activation socket of an instance lies, and how a socket file
// already at its name is treated.
#include "TestSupport.h"

#include "platform/desktop/Instance.h"
#include "platform/files/DataFolder.h"

#include <QDir>
#include <QFileInfo>
#include <QLocalSocket>
#include <QRegularExpression>

#include <gtest/gtest.h>

#include <cstring>
#include <optional>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

// Only a runtime folder of the user's that nobody else may enter is used,
// and only while the socket's path fits an address; the name carries 64 bits
// of the data folder's hash.
TEST(InstanceSocket, LiesInAPrivateFolderWhereItsPathFits)
{
    test::ScopedEnvironment env;
    const QString fallback = QDir::tempPath() + QStringLiteral("/korvalen-%1").arg(::getuid());
    const QString deep = env.path() + u'/' + QString(std::max<qsizetype>(1, 95 - env.path().size()), u'r');
    const struct
    {
        QString runtime;
        QFile::Permissions mode;
        QString expected;
    } cases[] = {
        {env.runtimeDir(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner, env.runtimeDir()},
        {env.runtimeDir(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ExeGroup,
         fallback},
        {env.path() + QStringLiteral("/shared"), QFile::Permissions(0x7777), fallback},
        {deep, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner, fallback},
    };
    for (const auto& c : cases) {
        ASSERT_TRUE(QDir().mkpath(c.runtime));
        QFile::setPermissions(c.runtime, c.mode);
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(c.runtime));
        const QString socket = platform::instanceSocketPath(QStringLiteral("Korvalen. Ter"), env.dataDir());
        EXPECT_EQ(QFileInfo(socket).path(), c.expected) << c.runtime.toStdString();
        EXPECT_TRUE(platform::fitsSocketAddress(socket));
        EXPECT_TRUE(QRegularExpression(QStringLiteral("^Korvalen\\. Ter [0-9a-f]{16}\\.socket$"))
                        .match(QFileInfo(socket).fileName())
                        .hasMatch());
    }
}

// A socket file is replaced only when nobody answers on it, and removed at
// the end only while it is still the server's own.
TEST(InstanceSocket, IsTakenOverOrRemovedOnlyWhereNobodyAnswers)
{
    test::ScopedEnvironment env;
    const QString path = env.runtimeDir() + QStringLiteral("/a.socket");
    const auto deadSocket = [&] {
        sockaddr_un address{AF_UNIX, {}};
        std::strncpy(address.sun_path, QFile::encodeName(path).constData(), sizeof address.sun_path - 1);
        const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
        ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
        ::close(fd);
    };
    const auto listenedOn = [&] { // the system accepts for a server that listens
        QLocalSocket client;
        client.connectToServer(path);
        return client.waitForConnected(1000);
    };
    std::optional<platform::InstanceServer> other;
    const struct
    {
        std::function<void()> before; // what is at the name before the server listens
        bool listens;                 // whether the server takes the name
        std::function<void()> meanwhile;
    } cases[] = {
        {deadSocket, true, [] {}},
        {[&] { other.emplace(path, nullptr); }, false, [] {}},
        {[] {}, true,
         [&] {
             QFile::remove(path);
             other.emplace(path, nullptr);
         }},
    };
    for (const auto& c : cases) {
        other.reset();
        QFile::remove(path);
        c.before();
        {
            platform::InstanceServer server(path, nullptr);
            EXPECT_EQ(server.isListening(), c.listens);
            c.meanwhile();
            EXPECT_TRUE(listenedOn());
        }
        EXPECT_EQ(listenedOn(), other.has_value());
    }
}

} // namespace
