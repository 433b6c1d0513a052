#pragma once

#include <chrono>
#include <functional>
#include <mutex>
#include <optional>

// The sound server of the user's desktop (PulseAudio, or PipeWire's service
// for PulseAudio clients). Qt Multimedia looks for it once, the first time
// anything sounds, and never again: a server started after that is not
// used until the program starts anew. So the outputs are set up only once
// the server answers, and until then it is looked for again.
namespace platform {

// Whether the server answers within `limit`, as Qt Multimedia would find it.
bool soundServerAnswers(std::chrono::milliseconds limit);

// Looks for the server until it has been found: at every look asked for (a
// test the user started), else at most once every kRelook (a notification).
// Safe to call from any thread.
class SoundServerWatch
{
public:
    static constexpr std::chrono::seconds kRelook{5};
    using Probe = std::function<bool()>;
    explicit SoundServerWatch(Probe probe);

    // Whether the server has been found; looks for it again as above.
    bool found(bool asked, std::chrono::steady_clock::time_point now);

private:
    Probe m_probe;
    std::mutex m_lock; // held while the server is looked for
    bool m_found = false;
    std::optional<std::chrono::steady_clock::time_point> m_lastLook;
};

} // namespace platform
