#include "ProfileWriter.h"

#include "CopyFile.h"
#include "IniDocument.h"
#include "PrivateProfile.h"

#include <QFile>
#include <QHash>

#include <algorithm>
#include <condition_variable>
#include <list>
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

// Copies the file with the writes applied to it, as a write of them would
// leave it; an error text, empty when the copy was made.
QString copyWithWrites(const QString& path, const QString& target, const std::vector<Write>& writes)
{
    QString error;
    if (writes.empty())
        return copyFileReplacing(path, target, &error) ? QString() : error;
    QByteArray bytes;
    QFile file(path);
    if (file.exists()) {
        if (!file.open(QIODevice::ReadOnly))
            return file.errorString();
        bytes = file.readAll();
    }
    IniDocument doc = IniDocument::parse(bytes);
    for (const Write& w : writes)
        doc.setValue(w.section, w.key, w.value);
    return writeFileReplacing(target, doc.serialize(), &error) ? QString() : error;
}

// What a try came to: `saved` is told only of the first two.
enum Outcome
{
    Wrote,
    Failed,
    Untouched // only copies, or replacements that said their own error
};

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
    struct Operation
    {
        enum Kind
        {
            Writes,
            Replace,
            Copy
        } kind = Writes;
        std::vector<Write> writes;    // Writes, in order
        QHash<QString, size_t> index; // Writes: the place of each key in `writes`
        bool trying = false;          // Writes being written take no more
        std::function<QString()> replace;
        QString target; // Copy
        QString lost;   // Replace, Copy: said when it never runs
        std::function<void(const QString&)> done;
    };

    QString path;
    std::mutex mutex;
    std::condition_variable wake; // the writing thread: a try is wanted, or it is to stop
    std::condition_variable idle; // a try ended
    std::list<Operation> queue;   // pushed at the back by the owner only
    bool go = false;
    bool stop = false;
    bool busy = false;
    bool submitQueued = false;
    bool dirty = false; // queued to since the last try began
    quint64 started = 0;
    quint64 tries = 0;
    quint64 lastFailed = 0; // the number of the last try that failed
    Outcome lastOutcome = Wrote;
    ProfileWriter* owner = nullptr;                         // null once the owner has gone
    IniDocument overlay = IniDocument::parse(QByteArray()); // the queued writes as a file
    bool anyWrites = false;

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
        anyWrites = false;
        for (const Operation& op : queue)
            for (const Write& w : op.writes) {
                overlay.setValue(w.section, w.key, w.value);
                anyWrites = true;
            }
    }

    void post(std::function<void(const QString&)> done, const QString& error)
    {
        if (ProfileWriter* o = owner)
            QMetaObject::invokeMethod(
                o, [done = std::move(done), error] { done(error); }, Qt::QueuedConnection);
    }

    // Runs the operations from the front that can run now. With the lock,
    // each in turn: a batch that fails stays, and so do the batches behind
    // it, but a replacement behind them is tried, and a copy made with them.
    // Without the lock only copies run, up to the first replacement.
    void runQueue(std::unique_lock<std::mutex>& lock, bool locked, bool& wrote, bool& failed)
    {
        bool writesFailed = !locked;
        for (auto it = queue.begin(); it != queue.end();) {
            if (it->kind == Operation::Writes) {
                if (writesFailed) {
                    ++it;
                    continue;
                }
                // This batch and those right behind it, in one write.
                std::vector<Write> batch;
                auto last = it;
                for (auto op = it; op != queue.end() && op->kind == Operation::Writes; last = op++) {
                    op->trying = true;
                    batch.insert(batch.end(), op->writes.begin(), op->writes.end());
                }
                lock.unlock();
                const bool ok = writeBatch(path, batch);
                lock.lock();
                const auto end = std::next(last);
                for (auto op = it; op != end; ++op)
                    op->trying = false;
                if (ok) {
                    it = queue.erase(it, end);
                    rebuild();
                    wrote = true;
                } else {
                    it = end;
                    writesFailed = failed = true;
                }
            } else if (it->kind == Operation::Replace) {
                if (!locked)
                    return;
                const std::function<QString()> replace = it->replace;
                lock.unlock();
                const QString error = replace();
                lock.lock();
                post(std::move(it->done), error);
                if (error.isEmpty()) {
                    // Only batches that could not be written stand before it.
                    it = queue.erase(queue.begin(), std::next(it));
                    wrote = true;
                    writesFailed = failed = false;
                } else {
                    it = queue.erase(it);
                }
                rebuild();
            } else {
                std::vector<Write> ahead;
                for (auto op = queue.begin(); op != it; ++op)
                    ahead.insert(ahead.end(), op->writes.begin(), op->writes.end());
                const QString target = it->target;
                lock.unlock();
                const QString error = copyWithWrites(path, target, ahead);
                lock.lock();
                post(std::move(it->done), error);
                it = queue.erase(it);
            }
        }
    }

    Outcome runOnce(std::unique_lock<std::mutex>& lock)
    {
        bool wrote = false;
        bool failed = false;
        lock.unlock();
        const bool locked = withProfileLock(path, [&] {
            lock.lock();
            runQueue(lock, true, wrote, failed);
            lock.unlock();
        });
        lock.lock();
        if (!locked) {
            runQueue(lock, false, wrote, failed);
            // What is left needs the lock.
            failed = !queue.empty();
        }
        return failed ? Failed : wrote ? Wrote : Untouched;
    }

    void tell(Outcome outcome)
    {
        lastOutcome = outcome;
        const quint64 count = ++tries;
        if (ProfileWriter* o = owner)
            QMetaObject::invokeMethod(
                o, [o, count, outcome] { o->deliver(count, outcome); }, Qt::QueuedConnection);
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
            // Until the queue is done or a try fails; a failed one waits for
            // the next call or the retry.
            while (!s->queue.empty()) {
                s->busy = true;
                const quint64 number = ++s->started;
                const Outcome outcome = s->runOnce(lock);
                s->busy = false;
                if (outcome == Failed)
                    s->lastFailed = number;
                s->tell(outcome);
                s->idle.notify_all();
                if (outcome == Failed)
                    break;
            }
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
    // What was queued since the last try gets its try; what failed then and
    // has not changed since had its own.
    if (m_state->dirty && !m_state->queue.empty())
        m_state->go = true;
    m_state->stop = true;
    m_state->wake.notify_one();
    // A thread stuck in its file system keeps the state alive on its own.
    m_state->idle.wait_for(lock, kProfileFlushWait, [&] { return !m_state->busy && !m_state->go; });
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
    auto& queue = m_state->queue;
    // A key written again before its batch is tried keeps its place there.
    if (queue.empty() || queue.back().kind != State::Operation::Writes || queue.back().trying)
        queue.emplace_back();
    State::Operation& batch = queue.back();
    const QString place = State::placeKey(section, key);
    const auto it = batch.index.constFind(place);
    if (it != batch.index.constEnd()) {
        batch.writes[*it].key = key; // the line is written as last spelled
        batch.writes[*it].value = value;
    } else {
        batch.index.insert(place, batch.writes.size());
        batch.writes.push_back(Write{section, key, value});
    }
    m_state->overlay.setValue(section, key, value);
    m_state->anyWrites = true;
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
    if (!m_state->anyWrites)
        return std::nullopt;
    return m_state->overlay.value(section, key);
}

QStringList ProfileWriter::waiting() const
{
    std::lock_guard lock(m_state->mutex);
    QStringList lines;
    QHash<QString, qsizetype> line; // key -> its line
    for (const State::Operation& op : m_state->queue) {
        if (op.kind != State::Operation::Writes) {
            lines << op.lost;
            continue;
        }
        for (const Write& w : op.writes) {
            const QString text = QStringLiteral("[%1] %2=%3").arg(w.section, w.key, w.value);
            const QString place = State::placeKey(w.section, w.key);
            if (const auto it = line.constFind(place); it != line.constEnd()) {
                lines[*it] = text;
            } else {
                line.insert(place, lines.size());
                lines << text;
            }
        }
    }
    return lines;
}

void ProfileWriter::replaceFile(const QString& lost, std::function<QString()> replace,
                                std::function<void(const QString& error)> done)
{
    {
        std::lock_guard lock(m_state->mutex);
        State::Operation op;
        op.kind = State::Operation::Replace;
        op.replace = std::move(replace);
        op.lost = lost;
        op.done = std::move(done);
        m_state->queue.push_back(std::move(op));
        m_state->dirty = true;
    }
    submit();
}

void ProfileWriter::copyTo(const QString& target, const QString& lost,
                           std::function<void(const QString& error)> done)
{
    {
        std::lock_guard lock(m_state->mutex);
        State::Operation op;
        op.kind = State::Operation::Copy;
        op.target = target;
        op.lost = lost;
        op.done = std::move(done);
        m_state->queue.push_back(std::move(op));
        m_state->dirty = true;
    }
    submit();
}

void ProfileWriter::submit()
{
    std::lock_guard lock(m_state->mutex);
    submitLocked();
}

void ProfileWriter::submitLocked()
{
    m_retry.stop();
    m_state->submitQueued = false;
    if (!m_state->queue.empty() && !m_state->go) {
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
    std::unique_lock lock(m_state->mutex);
    // A try under way may hold older work: only one begun after this counts.
    const quint64 since = m_state->started;
    submitLocked();
    const bool tried = m_state->idle.wait_for(lock, bound, [&] {
        return (!m_state->busy && !m_state->go && m_state->queue.empty()) || m_state->lastFailed > since;
    });
    const bool empty = m_state->queue.empty();
    const quint64 tries = m_state->tries;
    const Outcome outcome = m_state->lastOutcome;
    lock.unlock();
    if (tried)
        deliver(tries, outcome);
    return empty;
}

void ProfileWriter::deliver(quint64 tries, int outcome)
{
    if (tries <= m_delivered)
        return;
    m_delivered = tries;
    if (outcome == Untouched)
        return;
    emit saved(outcome == Wrote);
    if (outcome == Failed)
        m_retry.start();
}

bool waitForProfileWriters(std::chrono::milliseconds bound)
{
    std::unique_lock lock(g_threadsMutex);
    return g_threadsEnded.wait_for(lock, bound, [] { return g_threads == 0; });
}

} // namespace platform
