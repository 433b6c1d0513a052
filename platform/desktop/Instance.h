#pragma once

#include <QObject>
#include <QString>
#include <QStringList>

#include <functional>

#include <sys/types.h>

class QLocalSocket;
class QSocketNotifier;

namespace platform {

enum class InstanceLockResult
{
    Acquired,      // this process now runs the instance
    HeldElsewhere, // another process runs it
    Unusable,      // the lock's name holds something that cannot be the lock
    Failed,        // the lock file cannot be had (no permission, a full or read-only disk)
};

// Takes the instance's lock: a file named after the mutex in `folder`, the
// folder of the instance's configuration, so that one process runs each
// configuration whatever session it was started from. The holder writes into
// it the socket on which it is activated (`socketPath`). The lock is held
// until the process ends; the kernel drops it however the process ends, so a
// killed instance never blocks the next start. Only a regular file of this
// user's with no other name is taken: anything else at the lock's name is
// left as it is, and `problem` receives what is wrong with it. When the file
// cannot be opened or locked, `problem` receives its path and the error.
InstanceLockResult acquireInstanceLock(const QString& folder, const QString& mutexName,
                                       const QString& socketPath, QString* problem = nullptr);

// The path of the instance's lock file.
QString instanceLockFile(const QString& folder, const QString& mutexName);

// The socket that the holder of the instance's lock wrote into it; empty when
// there is none to be read.
QString instanceLockSocket(const QString& folder, const QString& mutexName);

// The local socket on which the instance with this window title that runs
// the configuration in `dataFolder` is activated. Each configuration has its
// own, so that instances of two data folders in one session never take each
// other's socket. In the runtime folder when the path fits a socket address,
// else in the first private fallback where it does; when none does, the path
// in the runtime folder, which fitsSocketAddress() then refuses.
QString instanceSocketPath(const QString& windowTitle, const QString& dataFolder);

// The longest path a local socket can be bound to or reached at.
qsizetype longestSocketPath();
bool fitsSocketAddress(const QString& socketPath);

// Asks the instance that listens on one of `socketPaths` to bring its window
// forward, and waits at most `timeoutMs` for it to listen and to have done
// so. Between rounds of tries, `stopWaiting` (when given) may end the wait
// early by returning true. False when no instance answered.
bool activateRunningInstance(const QStringList& socketPaths, int timeoutMs = 5000,
                             const std::function<bool()>& stopWaiting = {});
inline bool activateRunningInstance(const QString& socketPath, int timeoutMs = 5000)
{
    return activateRunningInstance(QStringList{socketPath}, timeoutMs);
}

// Listens for activation requests on behalf of a main window. A socket file
// already at the path is replaced only when nothing answers on it, and the
// file is removed at the end only while it is still this server's. Once
// listening, it names its socket in the instance lock this process holds.
class InstanceServer : public QObject
{
    Q_OBJECT
public:
    InstanceServer(const QString& socketPath, std::function<void()> onActivate, QObject* parent = nullptr);
    ~InstanceServer() override;
    bool isListening() const { return m_fd >= 0; }

private:
    void acceptConnections();
    void serve(QLocalSocket* client);
    QString m_path;
    int m_fd = -1;
    QSocketNotifier* m_notifier = nullptr;
    dev_t m_device = 0;
    ino_t m_inode = 0;
    std::function<void()> m_onActivate;
};

} // namespace platform
