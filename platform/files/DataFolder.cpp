#include "DataFolder.h"

#include <QDir>
#include <QFileInfo>

#include <string_view>

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

namespace {
// A file name from the environment, decoded as every file name is; empty
// when unset, and `exact` false when it does not decode back to its bytes.
QString fileNameEnv(const char* name, bool* exact = nullptr)
{
    const QByteArray bytes = qgetenv(name);
    const QString value = QFile::decodeName(bytes);
    if (exact)
        *exact = QFile::encodeName(value) == bytes;
    return value;
}

QString absoluteEnv(const char* name)
{
    const QString value = fileNameEnv(name);
    return QDir::isAbsolutePath(value) ? value : QString();
}
} // namespace

std::optional<QString> applicationDataFolder(QString* undecodable)
{
    // APPDATA is the program's own choice, so a relative one is taken as it
    // is given; the XDG variables count only when absolute.
    for (const char* name : {"APPDATA", "XDG_CONFIG_HOME", "HOME"}) {
        bool exact = true;
        const QString value = fileNameEnv(name, &exact);
        if (value.isEmpty() || (name != std::string_view("APPDATA") && !QDir::isAbsolutePath(value)))
            continue;
        if (!exact) {
            if (undecodable)
                *undecodable = QLatin1String(name);
            return std::nullopt;
        }
        const QString folder = QDir::cleanPath(QDir(value).absolutePath());
        return name == std::string_view("HOME") ? folder + QStringLiteral("/.config") : folder;
    }
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

bool isPrivateFolder(const QString& path)
{
    struct stat st;
    return ::stat(QFile::encodeName(path).constData(), &st) == 0 && S_ISDIR(st.st_mode) &&
           st.st_uid == ::getuid() && (st.st_mode & 07777) == 0700;
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

QString runtimeFolder(qsizetype longest)
{
    const auto fits = [longest](const QString& folder) {
        return !folder.isEmpty() && (longest < 0 || QFile::encodeName(folder).size() <= longest);
    };
    // A runtime folder others may write in would let them listen first at
    // the instance's socket name.
    const QString runtime = QDir::cleanPath(absoluteEnv("XDG_RUNTIME_DIR"));
    if (fits(runtime) && isPrivateFolder(runtime))
        return runtime;
    // Never the shared temporary folder itself: another user could take the
    // socket name there.
    QString folder = privateFolder(QDir::tempPath() + QStringLiteral("/korvalen-%1").arg(::getuid()));
    if (!fits(folder) && QDir().mkpath(QDir::homePath() + QStringLiteral("/.cache")))
        folder = privateFolder(QDir::homePath() + QStringLiteral("/.cache/korvalen-runtime"));
    if (fits(folder))
        return folder;
    return longest < 0 ? QDir::homePath() : QString();
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
