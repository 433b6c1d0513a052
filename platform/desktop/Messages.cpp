#include "Messages.h"

#include <QCoreApplication>
#include <QEvent>
#include <QPointer>
#include <QThread>

#include <condition_variable>
#include <memory>
#include <mutex>
#include <shared_mutex>
#include <unordered_set>
#include <vector>

namespace platform {

namespace {

// The receivers alive now. Senders look their target up and queue their
// message under the shared lock; a receiver leaves (under the exclusive lock)
// before it is destroyed, so a message never reaches a destroyed object.
// Senders never wait for each other here.
std::shared_mutex g_registryLock;
std::unordered_set<const MessageReceiver*>& registry()
{
    static std::unordered_set<const MessageReceiver*> receivers;
    return receivers;
}

} // namespace

// Where a sender waits for its message to be handled. A thread uses its one
// again for every message it sends; the queue holds a reference, so the
// receiver may still touch it after the sender has gone on.
struct SendCompletion
{
    std::mutex lock;
    std::condition_variable done;
    bool finished = false;
    LRESULT result = 0;

    void finish(LRESULT value)
    {
        {
            std::lock_guard guard(lock);
            finished = true;
            result = value;
        }
        // After the unlock: the woken sender does not run into a held lock.
        // With no sender waiting yet this costs no system call.
        done.notify_one();
    }
};

namespace {

// The calling thread's completion, ready for a new message; a new one while
// the last is still held (by a message not yet handled or waited for).
std::shared_ptr<SendCompletion> completionOfThisThread()
{
    thread_local std::shared_ptr<SendCompletion> completion;
    if (!completion || completion.use_count() != 1) {
        completion = std::make_shared<SendCompletion>();
        return completion;
    }
    std::lock_guard guard(completion->lock);
    completion->finished = false;
    completion->result = 0;
    return completion;
}

struct QueuedMessage
{
    uint32_t message = 0;
    WPARAM wParam = 0;
    LPARAM lParam = 0;
    std::shared_ptr<SendCompletion> completion; // none for posted messages
};

// Tells the receiver that its queue has messages.
const QEvent::Type kWakeEvent = QEvent::Type(QEvent::registerEventType());

} // namespace

struct MessageReceiver::Inbox
{
    std::mutex lock;
    std::vector<QueuedMessage> queue; // handled from `next` on
    size_t next = 0;
    bool wakePosted = false; // a wake event is on its way that no handling has taken up yet

    // Under the registry's shared lock, with the receiver alive.
    void add(MessageReceiver* receiver, QueuedMessage message)
    {
        bool wake = false;
        {
            std::lock_guard guard(lock);
            queue.push_back(std::move(message));
            wake = !wakePosted;
            wakePosted = true;
        }
        if (wake)
            QCoreApplication::postEvent(receiver, new QEvent(kWakeEvent));
    }

    bool take(QueuedMessage& message)
    {
        std::lock_guard guard(lock);
        if (next == queue.size()) {
            queue.clear(); // keeps its storage for the next messages
            next = 0;
            return false;
        }
        message = std::move(queue[next++]);
        return true;
    }
};

MessageReceiver::MessageReceiver(Procedure procedure, QObject* parent)
    : QObject(parent), m_procedure(std::move(procedure)), m_inbox(std::make_unique<Inbox>())
{
    std::unique_lock guard(g_registryLock);
    registry().insert(this);
}

MessageReceiver::~MessageReceiver()
{
    {
        std::unique_lock guard(g_registryLock);
        registry().erase(this);
    }
    // No message comes any more; the senders of those still queued are
    // released without an answer.
    QueuedMessage message;
    while (m_inbox->take(message))
        if (message.completion)
            message.completion->finish(0);
}

void MessageReceiver::customEvent(QEvent* event)
{
    if (event->type() != kWakeEvent)
        return;
    // Everything queued so far is handled now, in order. A procedure may run
    // an event loop of its own (a menu, a dialog): the messages behind it and
    // those that come meanwhile are handled there.
    {
        std::lock_guard guard(m_inbox->lock);
        m_inbox->wakePosted = false;
    }
    QPointer<MessageReceiver> alive(this);
    const int outerRun = m_runLoopLevel;
    m_runLoopLevel = QThread::currentThread()->loopLevel();
    QueuedMessage message;
    bool handled = false;
    while (alive && m_inbox->take(message)) {
        handled = true;
        // Messages still queued behind this one get a wake of their own, so
        // that an event loop run by the procedure handles them too.
        bool wake = false;
        {
            std::lock_guard guard(m_inbox->lock);
            wake = m_inbox->next < m_inbox->queue.size() && !m_inbox->wakePosted;
            if (wake)
                m_inbox->wakePosted = true;
        }
        if (wake)
            QCoreApplication::postEvent(this, new QEvent(kWakeEvent));
        const LRESULT result = m_procedure ? m_procedure(message.message, message.wParam, message.lParam) : 0;
        if (message.completion)
            message.completion->finish(result);
        message.completion.reset();
    }
    if (!alive)
        return;
    m_runLoopLevel = outerRun;
    // A wake that finds its messages handled by the run before it has no run.
    if (handled && m_afterRun)
        m_afterRun();
}

void MessageReceiver::setAfterRun(std::function<void()> afterRun)
{
    m_afterRun = std::move(afterRun);
}

bool MessageReceiver::inRun() const
{
    return m_runLoopLevel >= 0 && QThread::currentThread()->loopLevel() == m_runLoopLevel;
}

SentMessage::SentMessage(HWND window, uint32_t message, WPARAM wParam, LPARAM lParam)
{
    MessageReceiver::Procedure direct;
    {
        std::shared_lock guard(g_registryLock);
        if (!window || !registry().count(window))
            return;
        if (window->thread() == QThread::currentThread()) {
            direct = window->m_procedure; // a queued call to our own thread would wait for itself
        } else {
            m_completion = completionOfThisThread();
            window->m_inbox->add(window, QueuedMessage{message, wParam, lParam, m_completion});
        }
    }
    if (direct)
        m_result = direct(message, wParam, lParam);
}

SentMessage::~SentMessage()
{
    wait();
}

bool SentMessage::isHandled() const
{
    if (!m_completion)
        return true;
    std::lock_guard guard(m_completion->lock);
    return m_completion->finished;
}

LRESULT SentMessage::wait()
{
    if (!m_completion)
        return m_result;
    {
        std::unique_lock wait(m_completion->lock);
        m_completion->done.wait(wait, [&] { return m_completion->finished; });
        m_result = m_completion->result;
    }
    m_completion.reset();
    return m_result;
}

LRESULT SendMessage(HWND window, uint32_t message, WPARAM wParam, LPARAM lParam)
{
    return SentMessage(window, message, wParam, lParam).wait();
}

bool PostMessage(HWND window, uint32_t message, WPARAM wParam, LPARAM lParam)
{
    std::shared_lock guard(g_registryLock);
    if (!window || !registry().count(window))
        return false;
    window->m_inbox->add(window, QueuedMessage{message, wParam, lParam, nullptr});
    return true;
}

} // namespace platform
