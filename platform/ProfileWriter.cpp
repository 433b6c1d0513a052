#include "ProfileWriter.h"

#include "IniDocument.h"
#include "PrivateProfile.h"

#include <QHash>

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

} // namespace

struct ProfileWriter::State
{
    QString path;
    std::mutex mutex;
    std::condition_variable wake; // the writing thread: a batch is wanted, or it is to stop
    std::condition_variable idle; // a try ended
    std::vector<Write> pending;   // not written yet, in order; the first `inFlight` are being tried
    size_t inFlight = 0;
    bool go = false;
    bool stop = false;
    bool submitQueued = false;
    bool dropInFlight = false; // the file was replaced while they were tried
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

    bool busy() const { return go || inFlight > 0; }

    static void run(const std::shared_ptr<State>& s)
    {
        std::unique_lock lock(s->mutex);
        for (;;) {
            s->wake.wait(lock, [&] { return s->go || s->stop; });
            if (!s->go)
                return;
            s->go = false;
            const std::vector<Write> batch = s->pending;
            s->inFlight = batch.size();
            bool ok = true;
            if (!batch.empty()) {
                lock.unlock();
                ok = writeBatch(s->path, batch);
                lock.lock();
                if (ok || s->dropInFlight) {
                    s->pending.erase(s->pending.begin(), s->pending.begin() + qsizetype(s->inFlight));
                    s->rebuild();
                }
                s->inFlight = 0;
                s->dropInFlight = false;
                s->lastOk = ok;
                const quint64 tries = ++s->tries;
                if (ProfileWriter* owner = s->owner)
                    QMetaObject::invokeMethod(
                        owner, [owner, tries, ok] { owner->deliver(tries, ok); }, Qt::QueuedConnection);
            }
            s->idle.notify_all();
        }
    }
};

ProfileWriter::ProfileWriter(const QString& path, QObject* parent)
    : QObject(parent), m_path(path), m_state(std::make_shared<State>())
{
    m_state->path = path;
    m_state->owner = this;
    m_retry.setSingleShot(true);
    m_retry.setInterval(kProfileRetryAfter);
    connect(&m_retry, &QTimer::timeout, this, &ProfileWriter::submit);
    std::thread(State::run, m_state).detach();
    std::lock_guard guard(g_registryMutex);
    g_registry.insert(m_path, this);
}

ProfileWriter::~ProfileWriter()
{
    {
        std::lock_guard guard(g_registryMutex);
        if (g_registry.value(m_path) == this)
            g_registry.remove(m_path);
    }
    std::unique_lock lock(m_state->mutex);
    m_state->owner = nullptr;
    // Writes never tried yet get their try; those that failed had theirs.
    if (!m_state->pending.empty() && m_state->lastOk)
        m_state->go = true;
    m_state->stop = true;
    m_state->wake.notify_one();
    // A thread stuck in its file system keeps the state alive on its own.
    m_state->idle.wait_for(lock, kProfileFlushWait, [&] { return !m_state->busy(); });
}

ProfileWriter* ProfileWriter::forPath(const QString& path)
{
    std::lock_guard guard(g_registryMutex);
    return g_registry.value(path, nullptr);
}

void ProfileWriter::write(const QString& section, const QString& key, const QString& value)
{
    std::lock_guard lock(m_state->mutex);
    auto& pending = m_state->pending;
    // A key written again before its first write was tried keeps its place.
    const QString place = State::placeKey(section, key);
    const auto it = m_state->places.constFind(place);
    if (it != m_state->places.constEnd() && *it >= m_state->inFlight) {
        pending[*it].key = key; // the line is written as last spelled
        pending[*it].value = value;
    } else {
        m_state->places.insert(place, pending.size());
        pending.push_back(Write{section, key, value});
    }
    m_state->overlay.setValue(section, key, value);
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

void ProfileWriter::submit()
{
    m_retry.stop();
    std::lock_guard lock(m_state->mutex);
    m_state->submitQueued = false;
    if (!m_state->pending.empty() && !m_state->go) {
        m_state->go = true;
        m_state->wake.notify_one();
    }
}

void ProfileWriter::submitQueued()
{
    // Not when a flush or a retry has handed the writes over since: a batch
    // started later (in a loop of a box that tells of a failure) would run
    // behind the back of whoever flushed.
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
    const bool tried = m_state->idle.wait_for(lock, bound, [&] { return !m_state->busy(); });
    const bool empty = m_state->pending.empty();
    const quint64 tries = m_state->tries;
    const bool ok = m_state->lastOk;
    lock.unlock();
    if (tried)
        deliver(tries, ok);
    return empty;
}

void ProfileWriter::discard()
{
    std::lock_guard lock(m_state->mutex);
    // What is being tried now is not tried again.
    m_state->pending.resize(m_state->inFlight);
    m_state->dropInFlight = m_state->inFlight > 0;
    m_state->rebuild();
}

void ProfileWriter::deliver(quint64 tries, bool ok)
{
    if (tries <= m_delivered)
        return;
    m_delivered = tries;
    emit saved(ok);
    // Counted from when the failure has been told: a box that tells of it
    // waits for its answer, and the caller of flush() with it.
    if (!ok)
        m_retry.start();
}

} // namespace platform
