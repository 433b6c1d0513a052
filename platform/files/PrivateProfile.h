#pragma once

#include <QString>

#include <functional>
#include <memory>

namespace platform {

// The private-profile functions as the configuration code expects them.
// Reads go to the file each time (a parsed copy is reused only while the file
// is unchanged on disk); each write holds an exclusive lock on the file's
// folder across its read-modify-write and replaces the file atomically, so a
// file is never seen incomplete, not even before its first write ended. A
// write also removes the temporary files that killed writers of the file left.

// Copies the value (or the default, less its trailing blanks, when the key or
// file is missing) into `result`, cut to bufferSize - 1 characters, and
// returns its length.
int GetPrivateProfileString(const QString& section, const QString& key, const QString& defaultValue,
                            QString& result, int bufferSize, const QString& path);

bool WritePrivateProfileString(const QString& section, const QString& key, const QString& value,
                               const QString& path);

// Parsed files are kept between reads only while the text of all of them
// stays within this many bytes; a bigger file is parsed again at every read
// unless a ProfileReadScope is open for it.
inline constexpr qint64 kKeptProfileBytes = 1024 * 1024;

// The bytes of file text whose parsed copies are kept for later reads.
qint64 keptProfileBytes();

// While a scope is open for a file, its parsed copy is kept for the reads
// that follow, however big the file is (a file changed on disk is still read
// again); when the last scope for it ends, a copy too big to keep is let go.
class ProfileReadScope
{
public:
    explicit ProfileReadScope(const QString& path);
    ~ProfileReadScope();
    ProfileReadScope(const ProfileReadScope&) = delete;
    ProfileReadScope& operator=(const ProfileReadScope&) = delete;

private:
    QString m_path;
};

// The path under which reads and writes know the file: a final link is
// followed. Whatever is kept per settings file is keyed by it.
QString profileFilePath(const QString& path);

// Runs `work` under the write lock of the file's folder, between two writes
// of the file. False, without running it, when the lock could not be had in
// the time a write waits for it. Writes of files in that folder made by
// `work` on this thread take the lock held for it.
bool withProfileLock(const QString& path, const std::function<void()>& work);

// True when a file or folder exists at the path.
bool PathFileExists(const QString& path);

// While a batch is open for a file on this thread, writes to that file are
// collected and applied in one read-modify-write when the batch ends, giving
// exactly the file that the same writes made one by one would give. A read of
// the file during the batch first applies what was collected.
class ProfileBatch
{
public:
    explicit ProfileBatch(const QString& path);
    ~ProfileBatch();
    ProfileBatch(const ProfileBatch&) = delete;
    ProfileBatch& operator=(const ProfileBatch&) = delete;

    // Applies the collected writes now; false when the file could not be written.
    bool commit();

private:
    struct State;
    std::unique_ptr<State> m_state;
};

} // namespace platform
