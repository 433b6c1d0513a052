#include "Messages.h"

#include <QCoreApplication>
#include <QEvent>
#include <QThread>

#include <condition_variable>
#include <memory>
#include <mutex>
#include <unordered_set>

namespace platform {

namespace {

// The receivers alive now. Sending looks its target up here under the lock,
// and a receiver leaves it (under the same lock) before it is destroyed, so a
// message is never posted to a destroyed object.
std::mutex g_registryLock;
std::unordered_set<const MessageReceiver*>& registry()
{
    static std::unordered_set<const MessageReceiver*> receivers;
    return receivers;
}

struct Completion
{
    std::mutex lock;
    std::condition_variable done;
    bool finished = false;
    LRESULT result = 0;

    void finish(LRESULT value)
    {
        std::lock_guard guard(lock);
        if (!finished) {
            finished = true;
            result = value;
        }
        done.notify_all();
    }
};

const QEvent::Type kMessageEvent = QEvent::Type(QEvent::registerEventType());

// Releases the sender when it is destroyed, whether or not it was handled:
// Qt deletes the events still queued for an object that goes away.
class MessageEvent : public QEvent
{
public:
    MessageEvent(uint32_t message, WPARAM wParam, LPARAM lParam, std::shared_ptr<Completion> completion)
        : QEvent(kMessageEvent), message(message), wParam(wParam), lParam(lParam),
          completion(std::move(completion))
    {
    }
    ~MessageEvent() override
    {
        if (completion)
            completion->finish(0);
    }

    uint32_t message;
    WPARAM wParam;
    LPARAM lParam;
    std::shared_ptr<Completion> completion; // none for posted messages
};

} // namespace

MessageReceiver::MessageReceiver(Procedure procedure, QObject* parent)
    : QObject(parent), m_procedure(std::move(procedure))
{
    std::lock_guard guard(g_registryLock);
    registry().insert(this);
}

MessageReceiver::~MessageReceiver()
{
    std::lock_guard guard(g_registryLock);
    registry().erase(this);
}

void MessageReceiver::customEvent(QEvent* event)
{
    if (event->type() != kMessageEvent)
        return;
    auto* message = static_cast<MessageEvent*>(event);
    const LRESULT result = m_procedure ? m_procedure(message->message, message->wParam, message->lParam) : 0;
    if (message->completion)
        message->completion->finish(result);
}

LRESULT SendMessage(HWND window, uint32_t message, WPARAM wParam, LPARAM lParam)
{
    auto completion = std::make_shared<Completion>();
    MessageReceiver::Procedure direct;
    bool sameThread = false;
    {
        std::lock_guard guard(g_registryLock);
        if (!window || !registry().count(window))
            return 0;
        sameThread = window->thread() == QThread::currentThread();
        if (sameThread)
            direct = window->m_procedure; // a queued call to our own thread would wait for itself
        else
            QCoreApplication::postEvent(window, new MessageEvent(message, wParam, lParam, completion));
    }
    if (sameThread)
        return direct ? direct(message, wParam, lParam) : 0;
    std::unique_lock wait(completion->lock);
    completion->done.wait(wait, [&] { return completion->finished; });
    return completion->result;
}

bool PostMessage(HWND window, uint32_t message, WPARAM wParam, LPARAM lParam)
{
    std::lock_guard guard(g_registryLock);
    if (!window || !registry().count(window))
        return false;
    QCoreApplication::postEvent(window, new MessageEvent(message, wParam, lParam, nullptr));
    return true;
}

} // namespace platform
