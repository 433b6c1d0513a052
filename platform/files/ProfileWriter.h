#pragma once

#include <QObject>
#include <QString>
#include <QStringList>
#include <QTimer>

#include "FileLock.h"

#include <chrono>
#include <functional>
#include <memory>
#include <optional>

namespace platform {

// How long after a failed write the writes still waiting are tried again.
inline constexpr std::chrono::milliseconds kProfileRetryAfter{2000};
// Long enough for a try already under way and a whole try after it, each of
// whose waits for the lock is bounded.
inline constexpr std::chrono::milliseconds kProfileFlushWait =
    2 * kWriteLockWait + std::chrono::milliseconds{1000};

// The writer of one settings file, so that the thread that changes a setting
// never waits for the file's lock or its disk. Writes handed to it are
// collected until control returns to the event loop and then written as one
// batch by a thread of its own, in the order given. A write that fails is
// kept and tried again with the next batch, or after kProfileRetryAfter, so
// that it reaches the file once the lock or the space is back. Reads through
// CIniFile see the writes still waiting, as if they had been written.
//
// Made and used on one thread (the window's); `saved` and the end of a
// replacement come on that thread.
class ProfileWriter : public QObject
{
    Q_OBJECT
public:
    explicit ProfileWriter(const QString& path, QObject* parent = nullptr);
    // Gives the writes made since the last try theirs, waits for it as
    // flush() does, and lets the thread go.
    ~ProfileWriter() override;

    // The writer made for this file, if any (the path as reads and writes
    // resolve it).
    static ProfileWriter* forPath(const QString& path);

    void write(const QString& section, const QString& key, const QString& value);
    // The value a read of the key would give once the waiting writes are in
    // the file; nullopt when no waiting write is for the key.
    std::optional<QString> pendingValue(const QString& section, const QString& key) const;
    // Tries what is waiting now, and waits until a try begun after this call
    // has ended or `bound` has passed; true when nothing is left waiting.
    bool flush(std::chrono::milliseconds bound);
    // The writes still waiting, as "[section] key=value".
    QStringList waiting() const;

    // Replaces the file as a whole: `replace` runs on the writer's thread
    // under the file's lock, after every write made before this call has
    // been tried and before any made after it. It returns an error text,
    // empty when the file was replaced; the writes made before it are then
    // dropped, being for the file it replaced, and otherwise go on. While the
    // lock cannot be had it is tried again as a failed write is. `done`
    // receives the text on this object's thread, unless the writer has gone.
    void replaceFile(std::function<QString()> replace, std::function<void(const QString& error)> done);

signals:
    // After each try: whether the file could be written.
    void saved(bool ok);

private:
    struct State;
    void submit();
    void submitQueued();
    void deliver(quint64 tries, bool ok);

    std::shared_ptr<State> m_state;
    QTimer m_retry;
    quint64 m_delivered = 0;
};

// Waits until the threads of every writer gone have ended, at most `bound`;
// false when one is still stuck in its file system.
bool waitForProfileWriters(std::chrono::milliseconds bound);

} // namespace platform
