#include "Instance.h"

#include "platform/files/DataFolder.h"

#include <QCryptographicHash>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocalSocket>
#include <QSocketNotifier>
#include <QThread>
#include <QTimer>

#include <algorithm>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace platform {

namespace {
const QByteArray kActivateRequest = "activate\n";
const QByteArray kActivatedReply = "activated\n";
constexpr char kLinkProblem[] = "it is a symbolic link";

// Not the folder lock that writes of the settings take: that one is held
// only for a moment, this one as long as the instance runs.
QByteArray lockPath(const QString& folder, const QString& mutexName)
{
    return QFile::encodeName(instanceLockFile(folder, mutexName));
}

// The holder truncates and writes the lock, so it must be nothing but the
// lock: through a second name it would overwrite a user's file, and a FIFO,
// a device or a link to elsewhere is no lock another start would see.
QString lockFileProblem(const struct stat& st)
{
    if (S_ISLNK(st.st_mode))
        return QLatin1String(kLinkProblem);
    if (!S_ISREG(st.st_mode))
        return QStringLiteral("it is not a regular file");
    if (st.st_uid != ::geteuid())
        return QStringLiteral("it belongs to another user");
    if (st.st_nlink != 1)
        return QStringLiteral("it is a hard link: another name shares its contents");
    return QString();
}

InstanceLockResult unusable(QString* problem, const QString& what)
{
    if (problem)
        *problem = what;
    return InstanceLockResult::Unusable;
}

InstanceLockResult failed(QString* problem, int error)
{
    if (problem)
        *problem = QString::fromLocal8Bit(std::strerror(error));
    return InstanceLockResult::Failed;
}

// The descriptor of the instance lock this process holds, -1 while none.
int& heldLock()
{
    static int fd = -1;
    return fd;
}

void writeSocketLine(int fd, const QString& socketPath)
{
    // A line cut short (a full disk) is read as none.
    const QByteArray line = QFile::encodeName(socketPath) + '\n';
    [[maybe_unused]] const bool written =
        ::ftruncate(fd, 0) == 0 && ::pwrite(fd, line.constData(), size_t(line.size()), 0) == line.size();
}

// Whether a process listens on the socket at `address`: only a refused
// connection shows a socket file that nobody serves.
bool answers(const sockaddr_un& address)
{
    const int probe = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (probe < 0)
        return true;
    const bool refused = ::connect(probe, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 &&
                         errno == ECONNREFUSED;
    ::close(probe);
    return !refused;
}

// Asks the instance on `socketPath` once; false when it cannot be reached or
// does not answer before the deadline.
bool askToActivate(const QString& socketPath, const QDeadlineTimer& deadline)
{
    QLocalSocket socket;
    socket.connectToServer(socketPath);
    if (!socket.waitForConnected(int(deadline.remainingTime())))
        return false;
    socket.write(kActivateRequest);
    if (!socket.waitForBytesWritten(int(deadline.remainingTime())))
        return false;
    QByteArray reply;
    while (!reply.contains('\n')) {
        if (deadline.hasExpired() || !socket.waitForReadyRead(int(deadline.remainingTime())))
            return false;
        reply += socket.readAll();
    }
    return reply == kActivatedReply;
}
} // namespace

QString instanceLockFile(const QString& folder, const QString& mutexName)
{
    return folder + u'/' + mutexName + QStringLiteral(".lock");
}

InstanceLockResult acquireInstanceLock(const QString& folder, const QString& mutexName,
                                       const QString& socketPath, QString* problem)
{
    createFolder(folder);
    const QByteArray path = lockPath(folder, mutexName);
    // Looked at before it is opened: opening a device can do things of its own.
    struct stat st;
    QString wrong = ::lstat(path.constData(), &st) == 0 ? lockFileProblem(st) : QString();
    if (!wrong.isEmpty())
        return unusable(problem, wrong);
    // O_NONBLOCK: a FIFO put there since would wait for a writer for ever.
    const int flags = O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK;
    int fd = ::open(path.constData(), O_RDWR | O_CREAT | flags, 0600);
    const int openError = errno;
    if (fd < 0 && errno != ELOOP) // a folder that may not be written still locks a lock file that is there
        fd = ::open(path.constData(), O_RDONLY | flags);
    if (fd < 0) // ELOOP: a link put there since it was looked at
        return errno == ELOOP ? unusable(problem, QLatin1String(kLinkProblem)) : failed(problem, openError);
    wrong = ::fstat(fd, &st) == 0 ? lockFileProblem(st) : QString();
    if (!wrong.isEmpty()) {
        ::close(fd);
        return unusable(problem, wrong);
    }
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const int error = errno;
        ::close(fd);
        return error == EWOULDBLOCK ? InstanceLockResult::HeldElsewhere : failed(problem, error);
    }
    writeSocketLine(fd, socketPath);
    heldLock() = fd; // stays open, and the lock held, until the process ends
    return InstanceLockResult::Acquired;
}

QString instanceLockSocket(const QString& folder, const QString& mutexName)
{
    const int fd =
        ::open(lockPath(folder, mutexName).constData(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
    if (fd < 0)
        return QString();
    struct stat st;
    QByteArray line(4096, '\0');
    const ssize_t n =
        ::fstat(fd, &st) == 0 && lockFileProblem(st).isEmpty() ? ::pread(fd, line.data(), 4096, 0) : -1;
    ::close(fd);
    line.truncate(std::max<ssize_t>(n, 0));
    if (!line.endsWith('\n') || line.count('\n') != 1)
        return QString();
    return QFile::decodeName(line.chopped(1));
}

qsizetype longestSocketPath()
{
    return qsizetype(sizeof(sockaddr_un::sun_path)) - 1; // and the closing NUL
}

bool fitsSocketAddress(const QString& socketPath)
{
    return QFile::encodeName(socketPath).size() <= longestSocketPath();
}

QString instanceSocketPath(const QString& windowTitle, const QString& dataFolder)
{
    // One folder reached through two paths (a link on the way) is one
    // configuration, with one socket.
    QString folder = QFileInfo(dataFolder).canonicalFilePath();
    if (folder.isEmpty())
        folder = QDir::cleanPath(QFileInfo(dataFolder).absoluteFilePath());
    // 64 bits: two configurations never share a name by chance.
    const QByteArray hash =
        QCryptographicHash::hash(QFile::encodeName(folder), QCryptographicHash::Sha256).toHex().left(16);
    const QString name = u'/' + windowTitle + u' ' + QString::fromLatin1(hash) + QStringLiteral(".socket");
    const QString preferred = runtimeFolder() + name;
    if (fitsSocketAddress(preferred))
        return preferred;
    const QString shorter = runtimeFolder(longestSocketPath() - QFile::encodeName(name).size());
    return shorter.isEmpty() ? preferred : shorter + name;
}

bool activateRunningInstance(const QStringList& socketPaths, int timeoutMs,
                             const std::function<bool()>& stopWaiting)
{
    const QDeadlineTimer deadline(timeoutMs);
    // An instance that has just taken the lock listens once its window is
    // made: until then there is no socket, or a dead one of its predecessor.
    for (;;) {
        for (const QString& path : socketPaths)
            if (askToActivate(path, deadline))
                return true;
        if ((stopWaiting && stopWaiting()) || deadline.remainingTime() < 50)
            return false;
        QThread::msleep(50);
    }
}

InstanceServer::InstanceServer(const QString& path, std::function<void()> onActivate, QObject* parent)
    : QObject(parent), m_path(path), m_onActivate(std::move(onActivate))
{
    const QByteArray native = QFile::encodeName(path);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (!fitsSocketAddress(path))
        return;
    std::memcpy(address.sun_path, native.constData(), size_t(native.size()));
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0)
        return;
    const auto bind = [&] {
        return ::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
    };
    // A socket file left by a process that was killed answers nothing and
    // can go; one that answers is another process's.
    bool bound = bind();
    if (!bound && errno == EADDRINUSE && !answers(address) && ::unlink(native.constData()) == 0)
        bound = bind();
    struct stat st;
    if (!bound || ::chmod(native.constData(), 0600) != 0 || ::stat(native.constData(), &st) != 0 ||
        ::listen(fd, 16) != 0) {
        if (bound)
            ::unlink(native.constData());
        ::close(fd);
        return;
    }
    m_fd = fd;
    m_device = st.st_dev;
    m_inode = st.st_ino;
    m_notifier = new QSocketNotifier(qintptr(fd), QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &InstanceServer::acceptConnections);
    // A second start reaches the socket the lock names, wherever this
    // process found its runtime folder.
    if (heldLock() >= 0)
        writeSocketLine(heldLock(), path);
}

InstanceServer::~InstanceServer()
{
    if (m_fd < 0)
        return;
    delete m_notifier;
    ::close(m_fd);
    // Another process may have put its own socket at the name since.
    const QByteArray native = QFile::encodeName(m_path);
    struct stat st;
    if (::lstat(native.constData(), &st) == 0 && st.st_dev == m_device && st.st_ino == m_inode)
        ::unlink(native.constData());
}

void InstanceServer::acceptConnections()
{
    for (;;) {
        const int fd = ::accept4(m_fd, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
        if (fd < 0) {
            // Out of descriptors the connection stays queued and the notifier
            // would fire again at once: listen again a second later.
            if (errno == EMFILE || errno == ENFILE || errno == ENOBUFS || errno == ENOMEM) {
                m_notifier->setEnabled(false);
                QTimer::singleShot(1000, this, [this] { m_notifier->setEnabled(true); });
            }
            return;
        }
        auto* client = new QLocalSocket(this);
        if (!client->setSocketDescriptor(fd)) {
            ::close(fd);
            delete client;
            continue;
        }
        // A client that says nothing is not kept.
        QTimer::singleShot(5000, client, &QLocalSocket::abort);
        serve(client);
    }
}

void InstanceServer::serve(QLocalSocket* client)
{
    connect(client, &QLocalSocket::disconnected, client, &QObject::deleteLater);
    connect(client, &QLocalSocket::readyRead, this, [this, client] {
        // A request is one short line; anything longer is not ours.
        if (client->bytesAvailable() > 64) {
            client->abort();
            return;
        }
        if (!client->canReadLine())
            return;
        if (client->readLine() == kActivateRequest) {
            if (m_onActivate)
                m_onActivate();
            client->write(kActivatedReply);
            client->flush();
        }
        client->disconnectFromServer();
    });
}

} // namespace platform
