#include "Instance.h"

#include "platform/files/DataFolder.h"

#include <QCryptographicHash>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QThread>

#include <algorithm>

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
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
    if (fd < 0 && errno != ELOOP) // a folder that may not be written still locks a lock file that is there
        fd = ::open(path.constData(), O_RDONLY | flags);
    if (fd < 0) // ELOOP: a link put there since it was looked at
        return errno == ELOOP ? unusable(problem, QLatin1String(kLinkProblem)) : InstanceLockResult::Failed;
    wrong = ::fstat(fd, &st) == 0 ? lockFileProblem(st) : QString();
    if (!wrong.isEmpty()) {
        ::close(fd);
        return unusable(problem, wrong);
    }
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const int error = errno;
        ::close(fd);
        return error == EWOULDBLOCK ? InstanceLockResult::HeldElsewhere : InstanceLockResult::Failed;
    }
    // A line cut short (a full disk) is read as none.
    const QByteArray line = QFile::encodeName(socketPath) + '\n';
    [[maybe_unused]] const bool written =
        ::ftruncate(fd, 0) == 0 && ::pwrite(fd, line.constData(), size_t(line.size()), 0) == line.size();
    return InstanceLockResult::Acquired; // fd stays open, and the lock held, until the process ends
}

QString instanceLockSocket(const QString& folder, const QString& mutexName)
{
    const int fd =
        ::open(lockPath(folder, mutexName).constData(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
    if (fd < 0)
        return QString();
    struct stat st;
    QByteArray line(4096, '\0');
    const ssize_t n = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) ? ::pread(fd, line.data(), 4096, 0) : -1;
    ::close(fd);
    line.truncate(std::max<ssize_t>(n, 0));
    if (!line.endsWith('\n') || line.count('\n') != 1)
        return QString();
    return QFile::decodeName(line.chopped(1));
}

QString instanceSocketPath(const QString& windowTitle, const QString& dataFolder)
{
    // One folder reached through two paths (a link on the way) is one
    // configuration, with one socket.
    QString folder = QFileInfo(dataFolder).canonicalFilePath();
    if (folder.isEmpty())
        folder = QDir::cleanPath(QFileInfo(dataFolder).absoluteFilePath());
    const QByteArray hash =
        QCryptographicHash::hash(QFile::encodeName(folder), QCryptographicHash::Sha256).toHex().left(8);
    return runtimeFolder() + u'/' + windowTitle + u' ' + QString::fromLatin1(hash) +
           QStringLiteral(".socket");
}

bool activateRunningInstance(const QString& socketPath, int timeoutMs)
{
    const QDeadlineTimer deadline(timeoutMs);
    QLocalSocket socket;
    // An instance that has just taken the lock listens once its window is
    // made: until then there is no socket, or a dead one of its predecessor.
    for (;;) {
        socket.connectToServer(socketPath);
        if (socket.waitForConnected(int(deadline.remainingTime())))
            break;
        const bool notYet = socket.error() == QLocalSocket::ServerNotFoundError ||
                            socket.error() == QLocalSocket::ConnectionRefusedError;
        if (!notYet || deadline.remainingTime() < 50)
            return false;
        QThread::msleep(50);
    }
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

InstanceServer::InstanceServer(const QString& path, std::function<void()> onActivate, QObject* parent)
    : QObject(parent), m_server(new QLocalServer(this)), m_onActivate(std::move(onActivate))
{
    // Only the holder of the instance lock gets here, so a socket file left
    // by a process that was killed is stale and can go.
    QLocalServer::removeServer(path);
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    connect(m_server, &QLocalServer::newConnection, this, &InstanceServer::acceptConnections);
    m_server->listen(path);
}

InstanceServer::~InstanceServer()
{
    m_server->close();
}

bool InstanceServer::isListening() const
{
    return m_server->isListening();
}

void InstanceServer::acceptConnections()
{
    while (QLocalSocket* client = m_server->nextPendingConnection()) {
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
}

} // namespace platform
