#include "AppendFile.h"

#include "FileLock.h"
#include "PathParts.h"

#include <QFile>

#include <cerrno>
#include <climits>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

namespace {

// The folder's descriptor, not followed when it is a symbolic link; -1 when
// it cannot be opened.
int openFolder(int at, const QByteArray& name)
{
    return ::openat(at, name.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC | O_NOFOLLOW);
}

bool appendAt(int folderFd, const QByteArray& name, const QByteArray& bytes)
{
    const int fd = ::openat(folderFd, name.constData(),
                            O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC | O_NONBLOCK | O_NOFOLLOW, 0644);
    if (fd < 0)
        return false;
    // Every writer of the file holds its lock across the append, so the
    // length taken here is the one the bytes are appended to.
    // A file system without locks (some network ones) still takes the line,
    // as it did before appends were locked.
    struct stat before;
    const bool locked = lockExclusive(fd) || errno == ENOLCK || errno == EOPNOTSUPP || errno == ENOSYS;
    bool ok = locked && ::fstat(fd, &before) == 0;
    if (ok) {
        ssize_t written;
        do {
            written = ::write(fd, bytes.constData(), size_t(bytes.size()));
        } while (written < 0 && errno == EINTR);
        ok = written == bytes.size();
        // A write cut short (a full disk) is taken back, so that the file
        // holds whole lines only and the next one starts a line of its own.
        if (written > 0 && !ok)
            while (::ftruncate(fd, before.st_size) != 0 && errno == EINTR) {
            }
    }
    ::close(fd);
    return ok;
}

} // namespace

bool appendToFile(const QString& path, const QByteArray& bytes)
{
    // O_NOFOLLOW on the folder the file lies in and on the file: a link put
    // in place of either (one that leads nowhere too) is not written through.
    const QByteArray encoded = QFile::encodeName(path);
    const int folderFd = openFolder(AT_FDCWD, folderOf(encoded));
    if (folderFd < 0)
        return false;
    const bool ok = appendAt(folderFd, fileNameOf(encoded), bytes);
    ::close(folderFd);
    return ok;
}

bool appendToFileIn(const QString& base, const QString& folder, const QString& name, const QByteArray& bytes)
{
    QByteArray encodedBase = QFile::encodeName(base);
    // A final slash would have a link followed.
    while (encodedBase.size() > 1 && encodedBase.endsWith('/'))
        encodedBase.chop(1);
    const QByteArray encodedFolder = QFile::encodeName(folder);
    ::mkdir(encodedBase.constData(), 0777);
    const int baseFd = openFolder(AT_FDCWD, encodedBase);
    if (baseFd < 0)
        return false;
    ::mkdirat(baseFd, encodedFolder.constData(), 0777);
    const int folderFd = openFolder(baseFd, encodedFolder);
    ::close(baseFd);
    if (folderFd < 0)
        return false;
    const bool ok = appendAt(folderFd, QFile::encodeName(name), bytes);
    ::close(folderFd);
    return ok;
}

int fileNameLimit()
{
    return NAME_MAX;
}

QByteArray encodedFileName(const QString& name)
{
    return QFile::encodeName(name);
}

} // namespace platform
