#include "DataFolder.h"

#include <QDir>
#include <QFileInfo>

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

namespace {
QString absoluteEnv(const char* name)
{
    const QString value = qEnvironmentVariable(name);
    return QDir::isAbsolutePath(value) ? value : QString();
}
} // namespace

std::optional<QString> applicationDataFolder()
{
    for (const char* name : {"APPDATA", "XDG_CONFIG_HOME"}) {
        const QString value = absoluteEnv(name);
        if (!value.isEmpty())
            return QDir::cleanPath(value);
    }
    const QString home = absoluteEnv("HOME");
    if (!home.isEmpty())
        return QDir::cleanPath(home) + QStringLiteral("/.config");
    return std::nullopt;
}

bool createFolder(const QString& path)
{
    return QDir().mkpath(path) && QFileInfo(path).isDir();
}

bool canReplaceFile(const QString& path)
{
    const QFileInfo info(path);
    if (!info.isFile())
        return false;
    return ::access(QFile::encodeName(path).constData(), W_OK) == 0 &&
           ::access(QFile::encodeName(info.absolutePath()).constData(), W_OK | X_OK) == 0;
}

QString runtimeFolder()
{
    const QString runtime = absoluteEnv("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty() && QFileInfo(runtime).isDir())
        return QDir::cleanPath(runtime);
    // A folder of our own, private to the user, so that no other user can
    // take the lock or the socket name.
    const QString folder = QDir::tempPath() + QStringLiteral("/korvalen-%1").arg(::getuid());
    const QByteArray native = QFile::encodeName(folder);
    ::mkdir(native.constData(), 0700);
    struct stat st;
    if (::lstat(native.constData(), &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == ::getuid()) {
        ::chmod(native.constData(), 0700);
        return folder;
    }
    return QDir::tempPath();
}

} // namespace platform
