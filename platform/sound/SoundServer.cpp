#include "SoundServer.h"

#include <pulse/context.h>
#include <pulse/mainloop.h>

namespace platform {

bool soundServerAnswers(std::chrono::milliseconds limit)
{
    using namespace std::chrono;
    pa_mainloop* loop = pa_mainloop_new();
    if (!loop)
        return false;
    pa_context* context = pa_context_new(pa_mainloop_get_api(loop), "Korvalen");
    bool ready = false;
    // With the flags Qt Multimedia connects with: where the desktop starts
    // the server on demand, this starts it too.
    if (context && pa_context_connect(context, nullptr, PA_CONTEXT_NOFLAGS, nullptr) >= 0) {
        const auto deadline = steady_clock::now() + limit;
        for (;;) {
            const pa_context_state_t state = pa_context_get_state(context);
            ready = state == PA_CONTEXT_READY;
            const auto left = duration_cast<microseconds>(deadline - steady_clock::now());
            if (ready || !PA_CONTEXT_IS_GOOD(state) || left.count() <= 0)
                break;
            if (pa_mainloop_prepare(loop, int(left.count())) < 0 || pa_mainloop_poll(loop) < 0 ||
                pa_mainloop_dispatch(loop) < 0)
                break;
        }
        pa_context_disconnect(context);
    }
    if (context)
        pa_context_unref(context);
    pa_mainloop_free(loop);
    return ready;
}

SoundServerWatch::SoundServerWatch(Probe probe) : m_probe(std::move(probe)) {}

bool SoundServerWatch::found(bool asked, std::chrono::steady_clock::time_point now)
{
    std::lock_guard guard(m_lock);
    if (m_found || (!asked && m_lastLook && now - *m_lastLook < kRelook))
        return m_found;
    m_lastLook = now;
    m_found = m_probe();
    return m_found;
}

} // namespace platform
