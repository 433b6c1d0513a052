#include "SpeechQueue.h"

#include <condition_variable>
#include <cstdio>
#include <deque>
#include <mutex>

namespace platform {

namespace {

using Clock = std::chrono::steady_clock;

struct Utterance
{
    QString text;
    double volume = 1.0;
    std::chrono::milliseconds limit{0};
    Clock::time_point deadline;
    bool done = false; // spoken, dropped, or given up on
};

} // namespace

// Shared with every waiting speaker and every end callback, so that the
// queue may go while they still hold it.
struct SpeechQueue::State
{
    std::mutex lock;
    std::condition_variable changed;
    SpeechEngine* engine = nullptr;
    std::deque<std::shared_ptr<Utterance>> waiting;
    std::shared_ptr<Utterance> current;
    bool closed = false;
    bool reportedDrop = false;
    int dropped = 0;

    // With the lock held: hands the next waiting text to the engine when
    // none is being spoken.
    void startNext(const std::shared_ptr<State>& self)
    {
        while (!current && !waiting.empty() && !closed) {
            current = waiting.front();
            waiting.pop_front();
            current->deadline = Clock::now() + current->limit;
            const std::weak_ptr<State> state = self;
            const std::shared_ptr<Utterance> spoken = current;
            engine->say(spoken->text, spoken->volume, [state, spoken] {
                if (const std::shared_ptr<State> s = state.lock())
                    s->ended(s, spoken);
            });
        }
    }

    void ended(const std::shared_ptr<State>& self, const std::shared_ptr<Utterance>& spoken)
    {
        std::lock_guard guard(lock);
        spoken->done = true;
        if (current == spoken) {
            current.reset();
            startNext(self);
        }
        changed.notify_all();
    }
};

SpeechQueue::SpeechQueue(SpeechEngine* engine) : m_state(std::make_shared<State>())
{
    m_state->engine = engine;
}

SpeechQueue::~SpeechQueue()
{
    close();
}

void SpeechQueue::close()
{
    std::lock_guard guard(m_state->lock);
    m_state->closed = true;
    m_state->engine = nullptr;
    for (const std::shared_ptr<Utterance>& utterance : m_state->waiting)
        utterance->done = true;
    m_state->waiting.clear();
    if (m_state->current)
        m_state->current->done = true;
    m_state->current.reset();
    m_state->changed.notify_all();
}

int SpeechQueue::droppedCount() const
{
    std::lock_guard guard(m_state->lock);
    return m_state->dropped;
}

int SpeechQueue::waitingCount() const
{
    std::lock_guard guard(m_state->lock);
    return int(m_state->waiting.size());
}

void SpeechQueue::speak(const QString& text, double volume, std::chrono::milliseconds limit)
{
    // Held by the speaker itself: the queue may be destroyed at exit while a
    // speaker still waits.
    const std::shared_ptr<State> state = m_state;
    std::unique_lock guard(state->lock);
    if (state->closed)
        return;
    auto mine = std::make_shared<Utterance>();
    mine->text = text;
    mine->volume = volume;
    mine->limit = limit;
    state->waiting.push_back(mine);
    if (int(state->waiting.size()) > kMaxWaiting) {
        while (int(state->waiting.size()) > kMaxWaiting) {
            state->waiting.front()->done = true;
            state->waiting.pop_front();
            ++state->dropped;
        }
        if (!state->reportedDrop) {
            state->reportedDrop = true;
            std::fprintf(stderr,
                         "Korvalen: more than %d texts were waiting to be spoken; the oldest waiting ones "
                         "were dropped.\n",
                         kMaxWaiting);
        }
        state->changed.notify_all();
    }
    state->startNext(state);
    while (!mine->done && !state->closed) {
        if (state->current && Clock::now() >= state->current->deadline) {
            // The engine did not report the end in time: counted as ended.
            state->current->done = true;
            state->current.reset();
            state->startNext(state);
            state->changed.notify_all();
            continue;
        }
        const Clock::time_point wake =
            state->current ? state->current->deadline : Clock::now() + std::chrono::seconds(1);
        state->changed.wait_until(guard, wake);
    }
}

} // namespace platform
