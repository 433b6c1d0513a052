#include "PrivateProfile.h"

#include "CopyFile.h"
#include "FileLock.h"
#include "IniDocument.h"
#include "PathParts.h"
#include "ReplaceFile.h"
#include "platform/FreeHeap.h"

#include <QFile>
#include <QFileInfo>
#include <QHash>

#include <algorithm>
#include <cerrno>
#include <ctime>
#include <fcntl.h>
#include <mutex>
#include <sys/stat.h>
#include <tuple>
#include <unistd.h>
#include <utility>
#include <vector>

namespace platform {

namespace {

// Bigger files are read only this far: a settings file is never near it, and
// a stray huge file must not exhaust memory.
constexpr qint64 kMaxFileBytes = 64LL * 1024 * 1024;
// Parsed files kept between reads, at most.
constexpr int kMaxKeptFiles = 16;

struct FileStamp
{
    dev_t dev = 0;
    ino_t ino = 0;
    off_t size = 0;
    timespec mtime{};
    timespec ctime{};

    bool operator==(const FileStamp& o) const
    {
        return dev == o.dev && ino == o.ino && size == o.size && mtime.tv_sec == o.mtime.tv_sec &&
               mtime.tv_nsec == o.mtime.tv_nsec && ctime.tv_sec == o.ctime.tv_sec &&
               ctime.tv_nsec == o.ctime.tv_nsec;
    }
};

FileStamp stampOf(const struct stat& st)
{
    return FileStamp{st.st_dev, st.st_ino, st.st_size, st.st_mtim, st.st_ctim};
}

timespec currentTime()
{
    timespec now{};
    ::clock_gettime(CLOCK_REALTIME, &now);
    return now;
}

// A file read at `readAt` can still change after that without a change of
// its stamp, while the clock is in the same tick of the file system's times
// as its last change: a second on some file systems, two on FAT, a few
// milliseconds where times have nanoseconds. Its text read then is "racily
// clean" and must be read again before it is trusted.
bool settledAt(const FileStamp& stamp, const timespec& readAt)
{
    const timespec& last =
        std::tie(stamp.mtime.tv_sec, stamp.mtime.tv_nsec) < std::tie(stamp.ctime.tv_sec, stamp.ctime.tv_nsec)
            ? stamp.ctime
            : stamp.mtime;
    // Times without a fraction of a second come from a file system that keeps no finer ones.
    const bool coarse = stamp.mtime.tv_nsec == 0 || stamp.ctime.tv_nsec == 0;
    const qint64 tickNs = coarse ? 3'000'000'000LL : 50'000'000LL;
    const qint64 sinceNs = (qint64(readAt.tv_sec) - qint64(last.tv_sec)) * 1'000'000'000LL +
                           (qint64(readAt.tv_nsec) - qint64(last.tv_nsec));
    return sinceNs >= tickNs;
}

size_t digestOf(const QByteArray& bytes)
{
    return qHashBits(bytes.constData(), size_t(bytes.size()), 0x6b6f72);
}

// A link is followed, so that a write replaces the file it points to rather
// than the link itself.
QString canonicalPath(const QString& path)
{
    const QFileInfo info(path);
    const QString resolved = info.isSymLink() ? info.canonicalFilePath() : QString();
    return resolved.isEmpty() ? info.absoluteFilePath() : resolved;
}

QByteArray readAll(int fd)
{
    QByteArray bytes;
    char buffer[65536];
    while (bytes.size() < kMaxFileBytes) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        bytes.append(buffer, n);
    }
    return bytes;
}

// Parsed files, reused while their stamp on disk is unchanged and the text
// was read once the stamp had settled (see settledAt); a copy read earlier is
// checked against the file's bytes, which costs a read but no parse. A write
// through this layer replaces the file (new inode), so a stale entry is never
// taken. The entries that no read scope holds are let go, least recently used
// first, until their text fits in kKeptProfileBytes: a big file read once
// must not stay parsed for the rest of the run.
class DocumentCache
{
public:
    struct Found
    {
        std::shared_ptr<const IniDocument> doc; // null when none is kept for this stamp
        bool settled = false;
        size_t digest = 0;
    };

    Found find(const QString& path, const FileStamp& stamp)
    {
        std::lock_guard lock(m_mutex);
        const auto it = locate(path);
        if (it == m_entries.end() || !(it->stamp == stamp))
            return Found{};
        std::rotate(it, it + 1, m_entries.end());
        const Entry& entry = m_entries.back();
        return Found{entry.doc, settledAt(entry.stamp, entry.readAt), entry.digest};
    }

    // `readAt`: when the text of the file began to be read.
    void store(const QString& path, const FileStamp& stamp, const timespec& readAt, size_t digest,
               std::shared_ptr<const IniDocument> doc)
    {
        std::lock_guard lock(m_mutex);
        if (const auto it = locate(path); it != m_entries.end())
            m_entries.erase(it);
        m_entries.push_back(Entry{path, stamp, readAt, digest, std::move(doc)});
        trim();
    }

    void hold(const QString& path)
    {
        std::lock_guard lock(m_mutex);
        ++m_held[path];
    }

    void release(const QString& path)
    {
        std::lock_guard lock(m_mutex);
        const auto it = m_held.find(path);
        if (it == m_held.end())
            return;
        if (--*it == 0)
            m_held.erase(it);
        trim();
    }

    qint64 bytes()
    {
        std::lock_guard lock(m_mutex);
        qint64 total = 0;
        for (const Entry& entry : m_entries)
            total += entry.stamp.size;
        return total;
    }

private:
    struct Entry
    {
        QString path;
        FileStamp stamp;
        timespec readAt;
        size_t digest;
        std::shared_ptr<const IniDocument> doc;
    };

    std::vector<Entry>::iterator locate(const QString& path)
    {
        return std::find_if(m_entries.begin(), m_entries.end(),
                            [&](const Entry& entry) { return entry.path == path; });
    }

    void trim()
    {
        qint64 total = 0;
        int count = 0;
        for (const Entry& entry : m_entries)
            if (!m_held.contains(entry.path)) {
                total += entry.stamp.size;
                ++count;
            }
        for (auto it = m_entries.begin();
             it != m_entries.end() && (total > kKeptProfileBytes || count > kMaxKeptFiles);) {
            if (m_held.contains(it->path)) {
                ++it;
                continue;
            }
            total -= it->stamp.size;
            --count;
            it = m_entries.erase(it);
        }
    }

    std::mutex m_mutex;
    std::vector<Entry> m_entries; // the most recently used last
    QHash<QString, int> m_held;   // path -> open read scopes
};

// A parsed file too big to keep gives its memory back to the system when it
// is let go, rather than leaving the heap swollen for the rest of the run.
std::shared_ptr<const IniDocument> share(IniDocument doc, qint64 fileBytes)
{
    if (fileBytes <= kKeptProfileBytes)
        return std::make_shared<const IniDocument>(std::move(doc));
    return std::shared_ptr<const IniDocument>(new IniDocument(std::move(doc)), [](const IniDocument* big) {
        delete big;
        releaseFreeHeap();
    });
}

DocumentCache& cache()
{
    static DocumentCache instance;
    return instance;
}

// The parsed text of an open file: the kept copy when it is of exactly this
// file, else the file read and parsed, and kept.
std::shared_ptr<const IniDocument> readDocument(const QString& path, int fd, const struct stat& st)
{
    const FileStamp stamp = stampOf(st);
    const DocumentCache::Found found = cache().find(path, stamp);
    if (found.doc && found.settled)
        return found.doc;
    const timespec readAt = currentTime();
    const QByteArray bytes = readAll(fd);
    const size_t digest = digestOf(bytes);
    auto doc = found.doc && found.digest == digest ? found.doc : share(IniDocument::parse(bytes), st.st_size);
    cache().store(path, stamp, readAt, digest, doc);
    return doc;
}

std::shared_ptr<const IniDocument> loadDocument(const QString& path)
{
    const QByteArray native = path.toLocal8Bit();
    struct stat st;
    if (::stat(native.constData(), &st) != 0 || !S_ISREG(st.st_mode))
        return nullptr;
    if (const auto found = cache().find(path, stampOf(st)); found.doc && found.settled)
        return found.doc;
    // O_NONBLOCK: a FIFO put in place of the file must not hang the reader.
    const int fd = ::open(native.constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return nullptr;
    struct stat fst;
    std::shared_ptr<const IniDocument> doc;
    if (::fstat(fd, &fst) == 0 && S_ISREG(fst.st_mode))
        doc = readDocument(path, fd, fst);
    ::close(fd);
    return doc;
}

struct PendingWrite
{
    QString section;
    QString key;
    QString value;
};

// Takes the write lock of the files in a folder: a lock on the folder itself,
// so that a write never has to create its file before the file is complete.
// -1 when the folder cannot be locked, or not within the time a write waits
// for it: the write then fails and the next one tries again.
// The folder whose lock this thread holds through withProfileLock, and the
// descriptor it holds it on: a write inside that work uses it rather than
// waiting for itself.
thread_local QByteArray t_heldFolder;
thread_local int t_heldLock = -1;

int lockFolder(const QByteArray& folder)
{
    const int fd = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return -1;
    if (!lockExclusive(fd)) {
        ::close(fd);
        return -1;
    }
    return fd;
}

bool applyWrites(const QString& path, const std::vector<PendingWrite>& writes)
{
    if (writes.empty())
        return true;
    const QByteArray native = path.toLocal8Bit();
    const QByteArray folder = folderOf(native);
    const QByteArray name = fileNameOf(native);
    const bool held = t_heldLock >= 0 && t_heldFolder == folder;
    const int lock = held ? t_heldLock : lockFolder(folder);
    if (lock < 0)
        return false;
    const auto unlock = [&] {
        if (!held)
            ::close(lock); // drops the lock
    };
    // Under the folder's lock no writer that takes it is mid-write.
    removeStaleTemporaries(lock, name);

    // The file is read through its own descriptor; a missing file is an
    // empty one, created only by the rename below.
    std::shared_ptr<const IniDocument> read;
    mode_t mode = 0;
    const int fd = ::open(native.constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    const bool existed = fd >= 0;
    if (existed) {
        struct stat st;
        const bool regular = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
        // A bigger file would be read only in part: rewriting it would lose the rest.
        if (!regular || st.st_size > kMaxFileBytes) {
            ::close(fd);
            unlock();
            return false;
        }
        read = readDocument(path, fd, st);
        mode = st.st_mode & 07777;
        ::close(fd);
    } else if (errno == ENOENT) {
        mode = mode_t(newFileMode());
    } else {
        unlock();
        return false;
    }
    IniDocument doc = read ? *read : IniDocument::parse(QByteArray());
    bool changed = !existed; // a new file is written even when nothing in it changed
    for (const PendingWrite& w : writes)
        changed = doc.setValue(w.section, w.key, w.value) || changed;

    bool ok = true;
    if (changed) {
        const QByteArray after = doc.serialize();
        struct stat now;
        const timespec before = currentTime();
        ok = replaceWholeFile(
                 native, mode, [&](int fd) { return writeAll(fd, after.constData(), after.size()); }, &now) ==
             0;
        // Our own new file: its text is known without reading it back.
        if (ok)
            cache().store(path, stampOf(now), before, digestOf(after), share(std::move(doc), now.st_size));
    }
    unlock();
    return ok;
}

// The batches open on this thread, by file.
thread_local QHash<QString, std::vector<PendingWrite>*> t_batches;

void flushBatch(const QString& path)
{
    auto it = t_batches.find(path);
    if (it != t_batches.end() && !(*it)->empty()) {
        applyWrites(path, **it);
        (*it)->clear();
    }
}

} // namespace

int GetPrivateProfileString(const QString& section, const QString& key, const QString& defaultValue,
                            QString& result, int bufferSize, const QString& path)
{
    const QString file = canonicalPath(path);
    flushBatch(file);
    std::optional<QString> value;
    if (auto doc = loadDocument(file))
        value = doc->value(section, key);
    result = value ? *value : defaultValue;
    // A default loses its trailing blanks, as it does on Windows.
    if (!value)
        while (result.endsWith(u' '))
            result.chop(1);
    if (bufferSize <= 0) {
        result.clear();
        return 0;
    }
    if (result.size() > bufferSize - 1)
        result.truncate(bufferSize - 1);
    return int(result.size());
}

bool WritePrivateProfileString(const QString& section, const QString& key, const QString& value,
                               const QString& path)
{
    const QString file = canonicalPath(path);
    auto it = t_batches.find(file);
    if (it != t_batches.end()) {
        (*it)->push_back(PendingWrite{section, key, value});
        return true;
    }
    return applyWrites(file, {PendingWrite{section, key, value}});
}

qint64 keptProfileBytes()
{
    return cache().bytes();
}

ProfileReadScope::ProfileReadScope(const QString& path) : m_path(canonicalPath(path))
{
    cache().hold(m_path);
}

ProfileReadScope::~ProfileReadScope()
{
    cache().release(m_path);
}

QString profileFilePath(const QString& path)
{
    return canonicalPath(path);
}

bool withProfileLock(const QString& path, const std::function<void()>& work)
{
    const QByteArray native = canonicalPath(path).toLocal8Bit();
    const QByteArray folder = folderOf(native);
    if (t_heldLock >= 0 && t_heldFolder == folder) {
        work();
        return true;
    }
    const int lock = lockFolder(folder);
    if (lock < 0)
        return false;
    const QByteArray outer = std::exchange(t_heldFolder, folder);
    const int outerLock = std::exchange(t_heldLock, lock);
    work();
    t_heldFolder = outer;
    t_heldLock = outerLock;
    ::close(lock);
    return true;
}

bool PathFileExists(const QString& path)
{
    struct stat st;
    return !path.isEmpty() && ::stat(path.toLocal8Bit().constData(), &st) == 0;
}

struct ProfileBatch::State
{
    QString path;
    std::vector<PendingWrite> writes;
    bool owner = false;
};

ProfileBatch::ProfileBatch(const QString& path) : m_state(std::make_unique<State>())
{
    m_state->path = canonicalPath(path);
    // A batch inside a batch for the same file leaves the collecting to the outer one.
    if (!t_batches.contains(m_state->path)) {
        m_state->owner = true;
        t_batches.insert(m_state->path, &m_state->writes);
    }
}

ProfileBatch::~ProfileBatch()
{
    commit();
    if (m_state->owner)
        t_batches.remove(m_state->path);
}

bool ProfileBatch::commit()
{
    if (!m_state->owner)
        return true;
    const bool ok = applyWrites(m_state->path, m_state->writes);
    m_state->writes.clear();
    return ok;
}

} // namespace platform
