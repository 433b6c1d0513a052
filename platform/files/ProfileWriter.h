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
// never waits for the file's lock or its disk. Its work is one queue, first
// in, first out: writes handed to it are collected until control returns to
// the event loop and become one batch; a replacement of the whole file and a
// copy of it elsewhere take their places between the batches. A thread of its
// own works through the queue, in order, under the file's lock, and takes
// each operation off once it is done. A batch that fails stays where it is
// and is tried again with the next try, or after kProfileRetryAfter, so that
// it reaches the file once the lock or the space is back. Reads through
// CIniFile see the waiting writes in order, as if they had been written.
//
// Made and used on one thread (the window's); `saved` and the end of an
// operation come on that thread.
class ProfileWriter : public QObject
{
    Q_OBJECT
public:
    explicit ProfileWriter(const QString& path, QObject* parent = nullptr);
    // Gives what was queued since the last try its own, waits for it as
    // flush() does, and lets the thread go.
    ~ProfileWriter() override;

    // The writer made for this file, if any (the path as reads and writes
    // resolve it).
    static ProfileWriter* forPath(const QString& path);

    void write(const QString& section, const QString& key, const QString& value);
    // The value a read of the key would give once the waiting writes are in
    // the file; nullopt when no waiting write is for the key.
    std::optional<QString> pendingValue(const QString& section, const QString& key) const;
    // Tries what is waiting now, and waits until the queue is done, or a try
    // begun after this call has failed, or `bound` has passed; true when
    // nothing is left waiting.
    bool flush(std::chrono::milliseconds bound);
    // What still waits: one "[section] key=value" line per key with its last
    // value, and the `lost` text of each replacement and copy.
    QStringList waiting() const;

    // Replaces the file as a whole: `replace` runs on the writer's thread
    // under the file's lock once the writes queued before it are in the file,
    // and returns an error text, empty when the file was replaced. Writes
    // before it that cannot be written are dropped when it succeeds, being
    // for the file it replaced. While the lock cannot be had it waits as a
    // failed write does. `done` receives the text on this object's thread,
    // unless the writer has gone; `lost` names it while it waits.
    void replaceFile(const QString& lost, std::function<QString()> replace,
                     std::function<void(const QString& error)> done);
    // Copies the file, as the writes queued before this call make it, to
    // `target` (replacing what is there); the writes need not be in the file
    // yet, nor the lock be free. Otherwise as replaceFile.
    void copyTo(const QString& target, const QString& lost, std::function<void(const QString& error)> done);

signals:
    // After each try that wrote or failed to write the file: whether it could.
    void saved(bool ok);

private:
    struct State;
    void submit();
    void submitLocked(); // with the state's mutex held
    void submitQueued();
    void deliver(quint64 tries, int outcome);

    std::shared_ptr<State> m_state;
    QTimer m_retry;
    quint64 m_delivered = 0;
};

bool waitForProfileWriters(std::chrono::milliseconds bound);

} // namespace platform
