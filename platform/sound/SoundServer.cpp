#include "SoundServer.h"

#include <pulse/context.h>
#include <pulse/mainloop.h>
#include <pulse/stream.h>
#include <pulse/volume.h>

#include <algorithm>

namespace platform {

namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

constexpr milliseconds kConnectLimit{2000};

// One connection to the server, driven by a main loop of the calling
// thread's own: no other thread ever touches it, and all of it is freed
// before the call that made it returns.
class Connection
{
public:
    Connection()
    {
        m_loop = pa_mainloop_new();
        if (m_loop)
            m_context = pa_context_new(pa_mainloop_get_api(m_loop), "Korvalen");
    }
    ~Connection()
    {
        if (m_stream) {
            // Disconnected, the stream's buffered sound is dropped at once:
            // this is how a sound is cut off.
            pa_stream_disconnect(m_stream);
            pa_stream_unref(m_stream);
        }
        if (m_context) {
            pa_context_disconnect(m_context);
            pa_context_unref(m_context);
        }
        if (m_loop)
            pa_mainloop_free(m_loop);
    }
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    // Connects without ever starting a server of its own.
    bool connect(milliseconds limit)
    {
        if (!m_context || pa_context_connect(m_context, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0)
            return false;
        runUntil([this] { return !PA_CONTEXT_IS_GOOD(contextState()) || contextState() == PA_CONTEXT_READY; },
                 Clock::now() + limit);
        return contextState() == PA_CONTEXT_READY;
    }

    bool play(const Pcm& pcm, double volume, const std::function<bool()>& cutOff)
    {
        const pa_sample_spec spec{PA_SAMPLE_FLOAT32NE, uint32_t(pcm.rate), uint8_t(pcm.channels)};
        if (pcm.channels <= 0 || pcm.channels > int(PA_CHANNELS_MAX) || !pa_sample_spec_valid(&spec))
            return false;
        m_stream = pa_stream_new(m_context, "Korvalen", &spec, nullptr);
        pa_cvolume level;
        pa_cvolume_set(&level, spec.channels, pa_sw_volume_from_linear(std::clamp(volume, 0.0, 1.0)));
        // A short buffer: the server then plays with little delay whatever
        // its own default, and a sound cut off stops soon.
        pa_buffer_attr buffer;
        buffer.maxlength = buffer.prebuf = buffer.minreq = buffer.fragsize = uint32_t(-1);
        buffer.tlength = uint32_t(pa_usec_to_bytes(100'000, &spec));
        if (!m_stream || pa_stream_connect_playback(m_stream, nullptr, &buffer, PA_STREAM_ADJUST_LATENCY,
                                                    &level, nullptr) < 0)
            return false;
        const auto ended = [&] { return cutOff() || !healthy(); };
        if (!runUntil([&] { return ended() || pa_stream_get_state(m_stream) == PA_STREAM_READY; },
                      Clock::now() + kConnectLimit) ||
            !healthy())
            return false;
        // A server that stops taking sound is not waited for without end;
        // one that is merely slow, on a busy machine, is.
        const auto length =
            milliseconds(1000 * int64_t(pcm.samples.size()) / (int64_t(pcm.rate) * pcm.channels));
        const Clock::time_point deadline = Clock::now() + 2 * length + std::chrono::seconds(5);
        const auto* data = reinterpret_cast<const uint8_t*>(pcm.samples.data());
        const size_t total = pcm.samples.size() * sizeof(float);
        size_t written = 0;
        const bool fed = runUntil(
            [&] {
                if (ended())
                    return true;
                const size_t room = pa_stream_writable_size(m_stream);
                const size_t chunk = std::min(room == size_t(-1) ? 0 : room, total - written);
                if (chunk > 0 &&
                    pa_stream_write(m_stream, data + written, chunk, nullptr, 0, PA_SEEK_RELATIVE) == 0)
                    written += chunk;
                return written == total;
            },
            deadline);
        if (!fed || !healthy())
            return false;
        if (cutOff())
            return true;
        pa_operation* drain = pa_stream_drain(m_stream, nullptr, nullptr);
        if (!drain)
            return false;
        const bool drained = runUntil(
            [&] { return ended() || pa_operation_get_state(drain) != PA_OPERATION_RUNNING; }, deadline);
        const bool done = pa_operation_get_state(drain) == PA_OPERATION_DONE;
        pa_operation_unref(drain);
        return drained && healthy() && (done || cutOff());
    }

private:
    pa_context_state_t contextState() const { return pa_context_get_state(m_context); }

    bool healthy() const
    {
        return contextState() == PA_CONTEXT_READY &&
               (!m_stream || PA_STREAM_IS_GOOD(pa_stream_get_state(m_stream)));
    }

    // Runs the loop until `done` answers true (asked at least every 50 ms)
    // or the deadline passes; false when the deadline passed or the loop
    // failed.
    bool runUntil(const std::function<bool()>& done, Clock::time_point deadline)
    {
        using std::chrono::microseconds;
        while (!done()) {
            const auto left = std::chrono::duration_cast<microseconds>(deadline - Clock::now());
            if (left.count() <= 0)
                return false;
            const auto wait = std::min<int64_t>(left.count(), 50'000);
            if (pa_mainloop_prepare(m_loop, int(wait)) < 0 || pa_mainloop_poll(m_loop) < 0 ||
                pa_mainloop_dispatch(m_loop) < 0)
                return false;
        }
        return true;
    }

    pa_mainloop* m_loop = nullptr;
    pa_context* m_context = nullptr;
    pa_stream* m_stream = nullptr;
};

} // namespace

bool soundServerAnswers(milliseconds limit)
{
    return Connection().connect(limit);
}

bool playThroughServer(const Pcm& pcm, double volume, const std::function<bool()>& cutOff)
{
    if (pcm.samples.empty())
        return false;
    Connection connection;
    return connection.connect(kConnectLimit) && connection.play(pcm, volume, cutOff);
}

SoundServerWatch::SoundServerWatch(Probe probe) : m_probe(std::move(probe)) {}

bool SoundServerWatch::found(bool asked, Clock::time_point now)
{
    std::lock_guard guard(m_lock);
    if (!asked && !m_found && m_lastLook && now - *m_lastLook < kRelook)
        return false;
    m_lastLook = now;
    m_found = m_probe();
    return m_found;
}

} // namespace platform
