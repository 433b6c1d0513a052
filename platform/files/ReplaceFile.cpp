#include "ReplaceFile.h"

#include "PathParts.h"

#include <cctype>
#include <cerrno>
#include <cstring>
#include <ctime>
#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>
#include <vector>

namespace platform {

int writeAll(int fd, const char* data, qsizetype size)
{
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size_t(size));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return errno;
        if (n == 0)
            return ENOSPC;
        data += n;
        size -= n;
    }
    return 0;
}

int replaceWholeFile(const QByteArray& path, mode_t mode, const std::function<int(int fd)>& fill,
                     struct stat* written)
{
    const qsizetype slash = path.lastIndexOf('/');
    QByteArray temporary = path.left(slash + 1) + temporaryTemplate(path.mid(slash + 1));
    const int fd = ::mkostemp(temporary.data(), O_CLOEXEC);
    if (fd < 0)
        return errno;
    // Released by the close below, or by the system when this process dies.
    ::flock(fd, LOCK_EX | LOCK_NB);
    int code = fill(fd);
    // The mode is kept where the file system can hold it; one that cannot
    // (FAT and exFAT refuse every change) is no reason to lose the data.
    if (code == 0)
        ::fchmod(fd, mode);
    if (code == 0 && ::fsync(fd) != 0)
        code = errno;
    if (code == 0 && written && ::fstat(fd, written) != 0)
        code = errno;
    // Closed before the rename: a close that fails (a network file system
    // reports its write errors there) must leave the old file in place.
    if (::close(fd) != 0 && code == 0)
        code = errno;
    if (code == 0 && ::rename(temporary.constData(), path.constData()) != 0)
        code = errno;
    if (code != 0)
        ::unlink(temporary.constData());
    return code;
}

namespace {
constexpr char kTemporaryMark[] = ".korvalen-temp.";
constexpr size_t kMarkLength = sizeof kTemporaryMark - 1;
constexpr size_t kRandomLength = 6;
} // namespace

QByteArray temporaryTemplate(const QByteArray& name)
{
    return '.' + name + kTemporaryMark + QByteArray(kRandomLength, 'X');
}

bool isTemporaryOf(const char* entry, const QByteArray& name)
{
    const size_t nameLength = size_t(name.size());
    const size_t length = std::strlen(entry);
    if (length != 1 + nameLength + kMarkLength + kRandomLength || entry[0] != '.' ||
        std::memcmp(entry + 1, name.constData(), nameLength) != 0 ||
        std::memcmp(entry + 1 + nameLength, kTemporaryMark, kMarkLength) != 0)
        return false;
    for (size_t i = length - kRandomLength; i < length; ++i)
        if (!std::isalnum(static_cast<unsigned char>(entry[i])))
            return false;
    return true;
}

namespace {

// A live writer holds the lock of its new file. Where the file system has no
// locks, the file's age alone decides.
bool heldByALiveWriter(int folderFd, const char* entry)
{
    const int fd = ::openat(folderFd, entry, O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
    if (fd < 0)
        return false;
    const bool held = ::flock(fd, LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK;
    ::close(fd);
    return held;
}

} // namespace

void removeStaleTemporaries(int folderFd, const QByteArray& name)
{
    const int fd = ::openat(folderFd, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return;
    DIR* dir = ::fdopendir(fd);
    if (!dir) {
        ::close(fd);
        return;
    }
    // Only files nobody has touched for a minute: on a file system without
    // locks a live writer's new file is told from a leftover by its age, as
    // the writer writes to it all the while.
    const time_t stale = ::time(nullptr) - 60;
    std::vector<QByteArray> leftovers;
    while (const dirent* entry = ::readdir(dir)) {
        struct stat st;
        if (isTemporaryOf(entry->d_name, name) &&
            ::fstatat(folderFd, entry->d_name, &st, AT_SYMLINK_NOFOLLOW) == 0 && st.st_mtime < stale &&
            !heldByALiveWriter(folderFd, entry->d_name))
            leftovers.emplace_back(entry->d_name);
    }
    ::closedir(dir);
    for (const QByteArray& leftover : leftovers)
        ::unlinkat(folderFd, leftover.constData(), 0);
}

void removeStaleTemporaries(const QByteArray& path)
{
    const int fd = ::open(folderOf(path).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return;
    removeStaleTemporaries(fd, fileNameOf(path));
    ::close(fd);
}

} // namespace platform
