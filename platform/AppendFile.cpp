#include "AppendFile.h"

#include <QFile>

#include <cerrno>
#include <climits>
#include <fcntl.h>
#include <unistd.h>

namespace platform {

bool appendToFile(const QString& path, const QByteArray& bytes)
{
    const int fd = ::open(QFile::encodeName(path).constData(),
                          O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC | O_NONBLOCK, 0644);
    if (fd < 0)
        return false;
    ssize_t written;
    do {
        written = ::write(fd, bytes.constData(), size_t(bytes.size()));
    } while (written < 0 && errno == EINTR);
    const bool ok = written == bytes.size();
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
