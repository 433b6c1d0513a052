#pragma once

#include <QString>

#include <chrono>
#include <functional>
#include <memory>

namespace platform {

// A voice that speaks one text at a time.
class SpeechEngine
{
public:
    virtual ~SpeechEngine() = default;
    // Begins to speak `text` at `volume` (0 silent … 1 full) without waiting.
    // `ended` is called once, from any thread but never from within say(),
    // when the text has been spoken to its end or could not be.
    virtual void say(const QString& text, double volume, std::function<void()> ended) = 0;
};

// Texts spoken in full, one after another, in the order they came. At most
// kMaxWaiting texts wait behind the one being spoken: when more come, the
// oldest waiting ones are dropped (said once on the standard error stream).
// A text the engine does not finish within its limit counts as ended, so
// that an engine that never reports an end cannot hold the queue.
class SpeechQueue
{
public:
    static constexpr int kMaxWaiting = 16;

    explicit SpeechQueue(SpeechEngine* engine); // not owned; used until close()
    ~SpeechQueue();
    SpeechQueue(const SpeechQueue&) = delete;
    SpeechQueue& operator=(const SpeechQueue&) = delete;

    // Queues the text and returns once it has been spoken, was dropped, or
    // the queue was closed. Callable from any thread.
    void speak(const QString& text, double volume, std::chrono::milliseconds limit);
    // Hands no further text to the engine and releases every waiting speaker.
    void close();
    // Texts dropped because too many were waiting.
    int droppedCount() const;
    // Texts waiting behind the one being spoken.
    int waitingCount() const;

    struct State;

private:
    std::shared_ptr<State> m_state;
};

} // namespace platform
