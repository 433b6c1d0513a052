#include "Instance.h"

#include "DataFolder.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QLocalServer>
#include <QLocalSocket>

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace platform {

namespace {
const QByteArray kActivateRequest = "activate\n";
const QByteArray kActivatedReply = "activated\n";

// Not the folder lock that writes of the settings take: that one is held
// only for a moment, this one as long as the instance runs.
QByteArray lockPath(const QString& folder, const QString& mutexName)
{
    return QFile::encodeName(folder + u'/' + mutexName + QStringLiteral(".lock"));
}
} // namespace

InstanceLockResult acquireInstanceLock(const QString& folder, const QString& mutexName,
                                       const QString& socketPath)
{
    createFolder(folder);
    const QByteArray path = lockPath(folder, mutexName);
    int fd = ::open(path.constData(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0) // a folder that may not be written still locks a lock file that is there
        fd = ::open(path.constData(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
    if (fd < 0)
        return InstanceLockResult::Failed;
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
    QFile file(QFile::decodeName(lockPath(folder, mutexName)));
    if (!file.open(QIODevice::ReadOnly))
        return QString();
    const QByteArray line = file.read(4096);
    if (!line.endsWith('\n') || line.count('\n') != 1)
        return QString();
    return QFile::decodeName(line.chopped(1));
}

QString instanceSocketPath(const QString& windowTitle)
{
    return runtimeFolder() + u'/' + windowTitle + QStringLiteral(".socket");
}

bool activateRunningInstance(const QString& windowTitle, int timeoutMs)
{
    const QDeadlineTimer deadline(timeoutMs);
    QLocalSocket socket;
    socket.connectToServer(instanceSocketPath(windowTitle));
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

InstanceServer::InstanceServer(const QString& windowTitle, std::function<void()> onActivate, QObject* parent)
    : QObject(parent), m_server(new QLocalServer(this)), m_onActivate(std::move(onActivate))
{
    const QString path = instanceSocketPath(windowTitle);
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
