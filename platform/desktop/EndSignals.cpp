#include "EndSignals.h"

#include <QSocketNotifier>

#include <atomic>
#include <csignal>
#include <fcntl.h>
#include <iterator>
#include <unistd.h>

namespace platform {

namespace {

constexpr int kSignals[] = {SIGTERM, SIGINT, SIGHUP};
std::atomic<int> g_writeEnd{-1};
std::atomic<bool> g_ending{false};

void onSignal(int signal)
{
    if (g_ending.exchange(true)) {
        // Asked again: whatever holds up the first answer is given up.
        ::signal(signal, SIG_DFL);
        ::raise(signal);
        return;
    }
    const int fd = g_writeEnd.load();
    const char byte = char(signal);
    if (fd >= 0)
        (void)!::write(fd, &byte, 1);
}

} // namespace

EndSignals::EndSignals(std::function<void()> end, QObject* parent) : QObject(parent), m_end(std::move(end))
{
    if (::pipe2(m_pipe, O_CLOEXEC | O_NONBLOCK) != 0)
        return;
    g_ending = false;
    g_writeEnd = m_pipe[1];
    m_notifier = new QSocketNotifier(m_pipe[0], QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, [this] {
        char bytes[16];
        while (::read(m_pipe[0], bytes, sizeof bytes) > 0) {
        }
        m_end();
    });
    struct sigaction action = {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (size_t i = 0; i < std::size(kSignals); ++i) {
        ::sigaction(kSignals[i], nullptr, &m_earlier[i]);
        m_handled[i] = m_earlier[i].sa_handler != SIG_IGN;
        if (m_handled[i])
            ::sigaction(kSignals[i], &action, nullptr);
    }
}

EndSignals::~EndSignals()
{
    if (m_pipe[0] < 0)
        return;
    for (size_t i = 0; i < std::size(kSignals); ++i)
        if (m_handled[i])
            ::sigaction(kSignals[i], &m_earlier[i], nullptr);
    g_writeEnd = -1;
    delete m_notifier;
    ::close(m_pipe[0]);
    ::close(m_pipe[1]);
}

} // namespace platform
