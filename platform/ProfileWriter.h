#pragma once

#include <QObject>
#include <QString>
#include <QTimer>

#include "FileLock.h"

#include <chrono>
#include <memory>
#include <optional>

namespace platform {

// How long after a failed write the writes still waiting are tried again.
inline constexpr std::chrono::milliseconds kProfileRetryAfter{2000};
// Long enough for one whole try, whose wait for the lock is bounded.
inline constexpr std::chrono::milliseconds kProfileFlushWait =
    kWriteLockWait + std::chrono::milliseconds{1000};

// The writer of one settings file, so that the thread that changes a setting
// never waits for the file's lock or its disk. Writes handed to it are
// collected until control returns to the event loop and then written as one
// batch by a thread of its own, in the order given. A write that fails is
// kept and tried again with the next batch, or after kProfileRetryAfter, so
// that it reaches the file once the lock or the space is back. Reads through
// CIniFile see the writes still waiting, as if they had been written.
//
// Made and used on one thread (the window's); `saved` comes on that thread
// after each try.
class ProfileWriter : public QObject
{
    Q_OBJECT
public:
    explicit ProfileWriter(const QString& path, QObject* parent = nullptr);
    // Gives writes never tried their try, waits for it as flush() does, and
    // lets the thread go.
    ~ProfileWriter() override;

    // The writer made for this path (the path as it was given), if any.
    static ProfileWriter* forPath(const QString& path);

    void write(const QString& section, const QString& key, const QString& value);
    // The value a read of the key would give once the waiting writes are in
    // the file; nullopt when no waiting write is for the key.
    std::optional<QString> pendingValue(const QString& section, const QString& key) const;
    // Tries what is waiting now, and waits until it has been tried or
    // `bound` has passed; true when nothing is left waiting.
    bool flush(std::chrono::milliseconds bound);
    // Forgets the waiting writes: the file has been replaced as a whole.
    void discard();

signals:
    // After each try of a batch: whether it was written.
    void saved(bool ok);

private:
    struct State;
    void submit();
    void submitQueued();
    void deliver(quint64 tries, bool ok);

    QString m_path;
    std::shared_ptr<State> m_state;
    QTimer m_retry;
    quint64 m_delivered = 0;
};

} // namespace platform
