#include "PrivateProfile.h"

#include "CopyFile.h"
#include "FileLock.h"
#include "FreeHeap.h"
#include "IniDocument.h"

#include <QFile>
#include <QFileInfo>
#include <QHash>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <ctime>
#include <dirent.h>
#include <fcntl.h>
#include <mutex>
#include <sys/stat.h>
#include <unistd.h>
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

bool writeAll(int fd, const QByteArray& bytes)
{
    const char* p = bytes.constData();
    qsizetype left = bytes.size();
    while (left > 0) {
        const ssize_t n = ::write(fd, p, size_t(left));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        p += n;
        left -= n;
    }
    return true;
}

// Parsed files, reused while their stamp on disk is unchanged. A write through
// this layer replaces the file (new inode), so a stale entry is never taken.
// The entries that no read scope holds are let go, least recently used first,
// until their text fits in kKeptProfileBytes: a big file read once must not
// stay parsed for the rest of the run.
class DocumentCache
{
public:
    std::shared_ptr<const IniDocument> find(const QString& path, const FileStamp& stamp)
    {
        std::lock_guard lock(m_mutex);
        const auto it = locate(path);
        if (it == m_entries.end() || !(it->stamp == stamp))
            return nullptr;
        std::rotate(it, it + 1, m_entries.end());
        return m_entries.back().doc;
    }

    void store(const QString& path, const FileStamp& stamp, std::shared_ptr<const IniDocument> doc)
    {
        std::lock_guard lock(m_mutex);
        if (const auto it = locate(path); it != m_entries.end())
            m_entries.erase(it);
        m_entries.push_back(Entry{path, stamp, std::move(doc)});
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

std::shared_ptr<const IniDocument> loadDocument(const QString& path)
{
    const QByteArray native = path.toLocal8Bit();
    struct stat st;
    if (::stat(native.constData(), &st) != 0 || !S_ISREG(st.st_mode))
        return nullptr;
    if (auto doc = cache().find(path, stampOf(st)))
        return doc;
    // O_NONBLOCK: a FIFO put in place of the file must not hang the reader.
    const int fd = ::open(native.constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return nullptr;
    struct stat fst;
    std::shared_ptr<const IniDocument> doc;
    if (::fstat(fd, &fst) == 0 && S_ISREG(fst.st_mode)) {
        doc = share(IniDocument::parse(readAll(fd)), fst.st_size);
        cache().store(path, stampOf(fst), doc);
    }
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

// The temporary file of a write to `name` is ".name.XXXXXX".
bool isTemporaryOf(const char* entry, const QByteArray& name)
{
    const size_t length = std::strlen(entry);
    if (length != size_t(name.size()) + 8 || entry[0] != '.' ||
        std::memcmp(entry + 1, name.constData(), size_t(name.size())) != 0 || entry[name.size() + 1] != '.')
        return false;
    for (size_t i = length - 6; i < length; ++i)
        if (!std::isalnum(static_cast<unsigned char>(entry[i])))
            return false;
    return true;
}

// Removes what writers of the file that were killed mid-write left behind.
// Only while the folder's lock is held: no other writer can be mid-write.
void removeLeftovers(int folderFd, const QByteArray& name)
{
    const int fd = ::openat(folderFd, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return;
    DIR* dir = ::fdopendir(fd);
    if (!dir) {
        ::close(fd);
        return;
    }
    // Only files nobody has touched for a minute: a writer that does not take
    // the folder's lock (an older release of the program still running) may
    // be filling one right now, and any write ends within milliseconds.
    const time_t stale = ::time(nullptr) - 60;
    std::vector<QByteArray> leftovers;
    while (const dirent* entry = ::readdir(dir)) {
        struct stat st;
        if (isTemporaryOf(entry->d_name, name) &&
            ::fstatat(folderFd, entry->d_name, &st, AT_SYMLINK_NOFOLLOW) == 0 && st.st_mtime < stale)
            leftovers.emplace_back(entry->d_name);
    }
    ::closedir(dir);
    for (const QByteArray& leftover : leftovers)
        ::unlinkat(folderFd, leftover.constData(), 0);
}

bool applyWrites(const QString& path, const std::vector<PendingWrite>& writes)
{
    if (writes.empty())
        return true;
    const QByteArray native = path.toLocal8Bit();
    const qsizetype slash = native.lastIndexOf('/');
    const QByteArray folder = slash > 0 ? native.left(slash) : QByteArray(slash == 0 ? "/" : ".");
    const QByteArray name = native.mid(slash + 1);
    const int lock = lockFolder(folder);
    if (lock < 0)
        return false;
    removeLeftovers(lock, name);

    // The file is read through its own descriptor; a missing file is an
    // empty one, created only by the rename below.
    std::shared_ptr<const IniDocument> cached;
    QByteArray bytes;
    mode_t mode = 0;
    const int fd = ::open(native.constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    const bool existed = fd >= 0;
    if (existed) {
        struct stat st;
        const bool regular = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
        // A bigger file would be read only in part: rewriting it would lose the rest.
        if (!regular || st.st_size > kMaxFileBytes) {
            ::close(fd);
            ::close(lock);
            return false;
        }
        // The parsed copy is reused when it is of exactly this file.
        cached = cache().find(path, stampOf(st));
        if (!cached)
            bytes = readAll(fd);
        mode = st.st_mode & 07777;
        ::close(fd);
    } else if (errno == ENOENT) {
        mode = mode_t(newFileMode());
    } else {
        ::close(lock);
        return false;
    }
    IniDocument doc = cached ? *cached : IniDocument::parse(bytes);
    bool changed = !existed; // a new file is written even when nothing in it changed
    for (const PendingWrite& w : writes)
        changed = doc.setValue(w.section, w.key, w.value) || changed;

    bool ok = true;
    if (changed) {
        const QByteArray after = doc.serialize();
        QByteArray tmpName = folder + "/." + name + ".XXXXXX";
        const int tmp = ::mkostemp(tmpName.data(), O_CLOEXEC);
        ok = tmp >= 0;
        if (ok) {
            ok = writeAll(tmp, after) && ::fchmod(tmp, mode) == 0 && ::fsync(tmp) == 0 &&
                 ::rename(tmpName.constData(), native.constData()) == 0;
            if (!ok)
                ::unlink(tmpName.constData());
            // The stamp of our own new file, taken from its descriptor.
            struct stat now;
            if (ok && ::fstat(tmp, &now) == 0)
                cache().store(path, stampOf(now), share(std::move(doc), now.st_size));
            ::close(tmp);
        }
    }
    ::close(lock); // drops the lock
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
