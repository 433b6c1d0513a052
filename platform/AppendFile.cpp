#include "AppendFile.h"

#include "FileLock.h"

#include <QFile>

#include <cerrno>
#include <climits>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

bool appendToFile(const QString& path, const QByteArray& bytes)
{
    // O_NOFOLLOW on the folder the file lies in and on the file: a link put
    // in place of either (one that leads nowhere too) is not written through.
    const QByteArray encoded = QFile::encodeName(path);
    const qsizetype slash = encoded.lastIndexOf('/');
    const QByteArray folder = slash > 0 ? encoded.left(slash) : QByteArray(slash == 0 ? "/" : ".");
    const int folderFd = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC | O_NOFOLLOW);
    if (folderFd < 0)
        return false;
    const int fd = ::openat(folderFd, encoded.mid(slash + 1).constData(),
                            O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC | O_NONBLOCK | O_NOFOLLOW, 0644);
    ::close(folderFd);
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

int fileNameLimit()
{
    return NAME_MAX;
}

QByteArray encodedFileName(const QString& name)
{
    return QFile::encodeName(name);
}

} // namespace platform
