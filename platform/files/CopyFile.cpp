#include "CopyFile.h"

#include "ReplaceFile.h"

#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <climits>
#include <cstring>
#include <fcntl.h>
#include <functional>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

namespace {

QString cannotWrite(const QString& target, const QString& reason)
{
    return QStringLiteral("The file %1 cannot be written: %2.").arg(target, reason);
}

QString reasonOf(int code)
{
    return QString::fromLocal8Bit(std::strerror(code));
}

// The path whose file a write replaces: the target itself, or with links
// followed what they lead to (a dangling link too: its file is created).
// 0, or the error number (ELOOP for a refused link).
int resolveTarget(const QString& target, FinalLink link, QByteArray& path)
{
    path = QFile::encodeName(target);
    for (int hops = 0; hops < 40; ++hops) {
        struct stat st;
        if (::lstat(path.constData(), &st) != 0 || !S_ISLNK(st.st_mode))
            return 0;
        if (link == FinalLink::Refuse)
            return ELOOP;
        char buffer[PATH_MAX];
        const ssize_t n = ::readlink(path.constData(), buffer, sizeof buffer);
        if (n < 0)
            return errno;
        QByteArray next(buffer, n);
        if (!next.startsWith('/'))
            next = path.left(path.lastIndexOf('/') + 1) + next;
        path = next;
    }
    return ELOOP;
}

// Fills a new file beside the target through `fill` (0 or an error number)
// and renames it over the target, after the leftovers of killed copies to it
// are gone.
bool replaceFile(const QString& target, FinalLink link, const std::function<int(int fd)>& fill,
                 QString* error)
{
    auto fail = [&](const QString& reason) {
        if (error)
            *error = cannotWrite(target, reason);
        return false;
    };
    QByteArray path;
    if (const int code = resolveTarget(target, link, path))
        return fail(code == ELOOP && link == FinalLink::Refuse ? QStringLiteral("it is a symbolic link")
                                                               : reasonOf(code));
    removeStaleTemporaries(path);
    // An existing file keeps its permissions.
    struct stat st;
    const mode_t mode =
        ::stat(path.constData(), &st) == 0 && S_ISREG(st.st_mode) ? st.st_mode & 07777 : newFileMode();
    if (const int code = replaceWholeFile(path, mode, fill))
        return fail(reasonOf(code));
    return true;
}

} // namespace

bool copyFileReplacing(const QString& source, const QString& target, QString* error, FinalLink link)
{
    auto fail = [&](const QString& reason) {
        if (error)
            *error = reason;
        return false;
    };
    if (!QFileInfo(source).isFile())
        return fail(QStringLiteral("The file %1 cannot be read.").arg(source));
    QFile in(source);
    if (!in.open(QIODevice::ReadOnly))
        return fail(in.errorString());
    bool readFailed = false;
    const bool ok = replaceFile(
        target, link,
        [&](int fd) {
            char buffer[65536];
            for (;;) {
                const qint64 n = in.read(buffer, sizeof buffer);
                if (n < 0) {
                    readFailed = true;
                    return EIO;
                }
                if (n == 0)
                    return 0;
                if (const int code = writeAll(fd, buffer, n))
                    return code;
            }
        },
        error);
    if (readFailed)
        return fail(QStringLiteral("The file %1 cannot be read.").arg(source));
    return ok;
}

bool writeFileReplacing(const QString& target, const QByteArray& bytes, QString* error, FinalLink link)
{
    return replaceFile(
        target, link, [&](int fd) { return writeAll(fd, bytes.constData(), bytes.size()); }, error);
}

unsigned newFileMode()
{
    mode_t mask = 022;
    QFile status(QStringLiteral("/proc/self/status"));
    if (status.open(QIODevice::ReadOnly))
        for (const QByteArray& line : status.readAll().split('\n'))
            if (line.startsWith("Umask:"))
                mask = mode_t(line.mid(6).trimmed().toUInt(nullptr, 8));
    return 0644 & ~mask;
}

} // namespace platform
