#pragma once

#include <chrono>
#include <functional>
#include <mutex>
#include <optional>
#include <vector>

// The sound server of the user's desktop (PulseAudio, or PipeWire's service
// for PulseAudio clients). It may start after the program, go away and come
// back at any time: every look and every sound opens a connection of its
// own, on the calling thread's own main loop, and closes it before it
// returns. Nothing made for one server is kept to be used with the next, and
// no libpulse object outlives the call that made it.
namespace platform {

// Whether the server answers within `limit`. Never starts a server.
bool soundServerAnswers(std::chrono::milliseconds limit);

// Sound ready to play: interleaved samples from -1 to 1.
struct Pcm
{
    int rate = 0;
    int channels = 0;
    std::vector<float> samples;
};

// Plays `pcm` at `volume` (0 silent … 1 full) through the server and returns
// when it has been played, when `cutOff` answers true (asked at least every
// 50 ms), or when the server cannot be reached or goes away. True when it
// was played to its end or cut off.
bool playThroughServer(const Pcm& pcm, double volume, const std::function<bool()>& cutOff);

// Looks for the server: at every look asked for (a test the user started),
// and before every sound while it was there at the last look; while it was
// not, a notification looks at most once every kRelook. Safe to call from
// any thread.
class SoundServerWatch
{
public:
    static constexpr std::chrono::seconds kRelook{5};
    using Probe = std::function<bool()>;
    explicit SoundServerWatch(Probe probe);

    // Whether the server answers; looks for it as above.
    bool found(bool asked, std::chrono::steady_clock::time_point now);

private:
    Probe m_probe;
    std::mutex m_lock; // held while the server is looked for
    bool m_found = false;
    std::optional<std::chrono::steady_clock::time_point> m_lastLook;
};

} // namespace platform
