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

namespace {
// A folder of the user's own, made private; empty when it cannot be had (it
// exists and belongs to someone else, say).
QString privateFolder(const QString& folder)
{
    const QByteArray native = QFile::encodeName(folder);
    ::mkdir(native.constData(), 0700);
    struct stat st;
    if (::lstat(native.constData(), &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != ::getuid())
        return QString();
    ::chmod(native.constData(), 0700);
    return folder;
}
} // namespace

QString runtimeFolder()
{
    const QString runtime = absoluteEnv("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty() && QFileInfo(runtime).isDir())
        return QDir::cleanPath(runtime);
    // Never the shared temporary folder itself: another user could take the
    // lock or the socket name there.
    QString folder = privateFolder(QDir::tempPath() + QStringLiteral("/korvalen-%1").arg(::getuid()));
    if (folder.isEmpty() && QDir().mkpath(QDir::homePath() + QStringLiteral("/.cache")))
        folder = privateFolder(QDir::homePath() + QStringLiteral("/.cache/korvalen-runtime"));
    return folder.isEmpty() ? QDir::homePath() : folder;
}

QString programDataFile(const QString& programDir, const QString& name)
{
    const QString beside = QDir(programDir).filePath(name);
    if (QFileInfo::exists(beside))
        return beside;
    const QString installed = QDir::cleanPath(programDir + QStringLiteral("/../share/korvalen/") + name);
    if (QFileInfo::exists(installed))
        return installed;
    return beside;
}

} // namespace platform
