#include "ProfileWriter.h"

#include "IniDocument.h"
#include "PrivateProfile.h"

#include <QHash>

#include <algorithm>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

namespace platform {

namespace {

struct Write
{
    QString section;
    QString key;
    QString value;
};

bool writeBatch(const QString& path, const std::vector<Write>& writes)
{
    ProfileBatch batch(path);
    for (const Write& w : writes)
        WritePrivateProfileString(w.section, w.key, w.value, path);
    return batch.commit();
}

std::mutex g_registryMutex;
QHash<QString, ProfileWriter*> g_registry;

// The writers' threads still running: none may outlive main(), where the
// statics they use (the document cache) are destroyed.
std::mutex g_threadsMutex;
std::condition_variable g_threadsEnded;
int g_threads = 0;

} // namespace

struct ProfileWriter::State
{
    struct Replacement
    {
        std::function<QString()> replace;
        std::function<void(const QString&)> done;
        size_t after = 0; // the writes before it, at the front of pending
    };

    QString path;
    std::mutex mutex;
    std::condition_variable wake; // the writing thread: a batch is wanted, or it is to stop
    std::condition_variable idle; // a try ended
    std::vector<Write> pending;   // not written yet, in order; the first `inFlight` are being tried
    size_t inFlight = 0;
    std::optional<Replacement> replacement;
    bool replacing = false;
    bool go = false;
    bool stop = false;
    bool submitQueued = false;
    bool dirty = false; // written to since the last try began
    quint64 started = 0;
    quint64 tries = 0;
    bool lastOk = true;
    ProfileWriter* owner = nullptr;                         // null once the owner has gone
    IniDocument overlay = IniDocument::parse(QByteArray()); // the pending writes as a file
    QHash<QString, size_t> places;                          // "section\nkey" -> its place in pending

    // The names as the file matches them: two spellings of one key share a place.
    static QString placeKey(const QString& section, const QString& key)
    {
        QString name = IniDocument::cleanName(key);
        name.replace(u'=', u' ');
        return IniDocument::cleanName(section).toCaseFolded() + u'\n' + name.trimmed().toCaseFolded();
    }

    void rebuild()
    {
        overlay = IniDocument::parse(QByteArray());
        places.clear();
        for (size_t i = 0; i < pending.size(); ++i) {
            overlay.setValue(pending[i].section, pending[i].key, pending[i].value);
            places.insert(placeKey(pending[i].section, pending[i].key), i);
        }
    }

    bool busy() const { return go || inFlight > 0 || replacing; }
    bool waiting() const { return !pending.empty() || replacement; }

    // A write at `place` may take a new value there only while it is neither
    // being tried nor meant for the file a replacement waits to replace.
    size_t firstOpenPlace() const { return std::max(inFlight, replacement ? replacement->after : 0); }

    void tell(bool ok)
    {
        lastOk = ok;
        const quint64 count = ++tries;
        if (ProfileWriter* o = owner)
            QMetaObject::invokeMethod(
                o, [o, count, ok] { o->deliver(count, ok); }, Qt::QueuedConnection);
    }

    void runBatch(std::unique_lock<std::mutex>& lock)
    {
        const std::vector<Write> batch = pending;
        inFlight = batch.size();
        lock.unlock();
        const bool ok = writeBatch(path, batch);
        lock.lock();
        if (ok) {
            pending.erase(pending.begin(), pending.begin() + qsizetype(inFlight));
            rebuild();
        }
        inFlight = 0;
        tell(ok);
    }

    void runReplacement(std::unique_lock<std::mutex>& lock)
    {
        replacing = true;
        const std::function<QString()> replace = replacement->replace;
        lock.unlock();
        QString error;
        const bool locked = withProfileLock(path, [&] { error = replace(); });
        lock.lock();
        replacing = false;
        if (locked) {
            std::function<void(const QString&)> done = std::move(replacement->done);
            if (error.isEmpty())
                pending.erase(pending.begin(), pending.begin() + qsizetype(replacement->after));
            replacement.reset();
            rebuild();
            // The writes made since follow at once, on the new file.
            go = go || !pending.empty();
            if (ProfileWriter* o = owner)
                QMetaObject::invokeMethod(
                    o, [done, error] { done(error); }, Qt::QueuedConnection);
        }
        tell(locked);
    }

    static void run(const std::shared_ptr<State>& s)
    {
        std::unique_lock lock(s->mutex);
        for (;;) {
            s->wake.wait(lock, [&] { return s->go || s->stop; });
            if (!s->go)
                return;
            s->go = false;
            s->dirty = false;
            if (s->waiting())
                ++s->started;
            if (s->replacement)
                s->runReplacement(lock);
            else if (!s->pending.empty())
                s->runBatch(lock);
            s->idle.notify_all();
        }
    }
};

ProfileWriter::ProfileWriter(const QString& path, QObject* parent)
    : QObject(parent), m_state(std::make_shared<State>())
{
    m_state->path = profileFilePath(path);
    m_state->owner = this;
    m_retry.setSingleShot(true);
    m_retry.setInterval(kProfileRetryAfter);
    connect(&m_retry, &QTimer::timeout, this, &ProfileWriter::submit);
    {
        std::lock_guard guard(g_threadsMutex);
        ++g_threads;
    }
    std::thread([state = m_state]() mutable {
        State::run(state);
        state.reset();
        std::lock_guard guard(g_threadsMutex);
        --g_threads;
        g_threadsEnded.notify_all();
    }).detach();
    std::lock_guard guard(g_registryMutex);
    g_registry.insert(m_state->path, this);
}

ProfileWriter::~ProfileWriter()
{
    {
        std::lock_guard guard(g_registryMutex);
        if (g_registry.value(m_state->path) == this)
            g_registry.remove(m_state->path);
    }
    std::unique_lock lock(m_state->mutex);
    m_state->owner = nullptr;
    // What changed since the last try gets its try; what failed then and
    // has not changed since had its own.
    if (m_state->dirty && m_state->waiting())
        m_state->go = true;
    m_state->stop = true;
    m_state->wake.notify_one();
    // A thread stuck in its file system keeps the state alive on its own.
    m_state->idle.wait_for(lock, kProfileFlushWait, [&] { return !m_state->busy(); });
}

ProfileWriter* ProfileWriter::forPath(const QString& path)
{
    const QString file = profileFilePath(path);
    std::lock_guard guard(g_registryMutex);
    return g_registry.value(file, nullptr);
}

void ProfileWriter::write(const QString& section, const QString& key, const QString& value)
{
    std::lock_guard lock(m_state->mutex);
    auto& pending = m_state->pending;
    // A key written again before its first write was tried keeps its place.
    const QString place = State::placeKey(section, key);
    const auto it = m_state->places.constFind(place);
    if (it != m_state->places.constEnd() && *it >= m_state->firstOpenPlace()) {
        pending[*it].key = key; // the line is written as last spelled
        pending[*it].value = value;
    } else {
        m_state->places.insert(place, pending.size());
        pending.push_back(Write{section, key, value});
    }
    m_state->overlay.setValue(section, key, value);
    m_state->dirty = true;
    // The writes of one event go together, handed over once it ends.
    if (!m_state->submitQueued) {
        m_state->submitQueued = true;
        QMetaObject::invokeMethod(this, &ProfileWriter::submitQueued, Qt::QueuedConnection);
    }
}

std::optional<QString> ProfileWriter::pendingValue(const QString& section, const QString& key) const
{
    std::lock_guard lock(m_state->mutex);
    if (m_state->pending.empty())
        return std::nullopt;
    return m_state->overlay.value(section, key);
}

QStringList ProfileWriter::waiting() const
{
    std::lock_guard lock(m_state->mutex);
    QStringList writes;
    for (const Write& w : m_state->pending)
        writes << QStringLiteral("[%1] %2=%3").arg(w.section, w.key, w.value);
    return writes;
}

void ProfileWriter::replaceFile(std::function<QString()> replace,
                                std::function<void(const QString& error)> done)
{
    {
        std::lock_guard lock(m_state->mutex);
        Q_ASSERT(!m_state->replacement);
        m_state->replacement =
            State::Replacement{std::move(replace), std::move(done), m_state->pending.size()};
        m_state->dirty = true;
    }
    submit();
}

void ProfileWriter::submit()
{
    m_retry.stop();
    std::lock_guard lock(m_state->mutex);
    m_state->submitQueued = false;
    if (m_state->waiting() && !m_state->go) {
        m_state->go = true;
        m_state->wake.notify_one();
    }
}

void ProfileWriter::submitQueued()
{
    // Not when a flush or a retry has handed the writes over since.
    {
        std::lock_guard lock(m_state->mutex);
        if (!m_state->submitQueued)
            return;
    }
    submit();
}

bool ProfileWriter::flush(std::chrono::milliseconds bound)
{
    submit();
    std::unique_lock lock(m_state->mutex);
    // A try under way may hold an older set of writes: the next one counts.
    const quint64 wanted = m_state->go ? m_state->started + 1 : m_state->started;
    // A replacement hands the writes made after it straight on: they count too.
    const bool tried = m_state->idle.wait_for(lock, bound, [&] {
        return (m_state->tries >= wanted && !m_state->go) || (!m_state->busy() && !m_state->waiting());
    });
    const bool empty = !m_state->waiting();
    const quint64 tries = m_state->tries;
    const bool ok = m_state->lastOk;
    lock.unlock();
    if (tried)
        deliver(tries, ok);
    return empty;
}

void ProfileWriter::deliver(quint64 tries, bool ok)
{
    if (tries <= m_delivered)
        return;
    m_delivered = tries;
    emit saved(ok);
    if (!ok)
        m_retry.start();
}

bool waitForProfileWriters(std::chrono::milliseconds bound)
{
    std::unique_lock lock(g_threadsMutex);
    return g_threadsEnded.wait_for(lock, bound, [] { return g_threads == 0; });
}

} // namespace platform
