#pragma once

#include <QObject>
#include <QString>

#include <functional>

class QLocalServer;

namespace platform {

enum class InstanceLockResult
{
    Acquired,      // this process now runs the instance
    HeldElsewhere, // another process runs it
    Unusable,      // the lock's name holds something that cannot be the lock
    Failed,        // the lock could not be made; go on as the instance's first process
};

// Takes the instance's lock: a file named after the mutex in `folder`, the
// folder of the instance's configuration, so that one process runs each
// configuration whatever session it was started from. The holder writes into
// it the socket on which it is activated (`socketPath`). The lock is held
// until the process ends; the kernel drops it however the process ends, so a
// killed instance never blocks the next start. Only a regular file of this
// user's with no other name is taken: anything else at the lock's name is
// left as it is, and `problem` receives what is wrong with it.
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
// other's socket.
QString instanceSocketPath(const QString& windowTitle, const QString& dataFolder);

// Asks the instance that listens on `socketPath` to bring its window forward,
// and waits at most `timeoutMs` for it to listen and to have done so. False
// when no instance answered in time.
bool activateRunningInstance(const QString& socketPath, int timeoutMs = 5000);

// Listens for activation requests on behalf of a main window.
class InstanceServer : public QObject
{
    Q_OBJECT
public:
    InstanceServer(const QString& socketPath, std::function<void()> onActivate, QObject* parent = nullptr);
    ~InstanceServer() override;
    bool isListening() const;

private:
    void acceptConnections();
    QLocalServer* m_server;
    std::function<void()> m_onActivate;
};

} // namespace platform
