#pragma once

#include <QObject>

#include <csignal>
#include <functional>

class QSocketNotifier;

namespace platform {

// Turns SIGTERM, SIGINT and SIGHUP (a service manager, Ctrl+C, the end of
// the terminal or session) into a call of `end` on the thread that made the
// object, from its event loop, so that the program ends as it would when
// asked: nothing that waits is lost. A second signal while the first is
// handled ends the program at once, and what waited is then lost. A signal
// ignored when the object is made (under nohup, or in a background job) stays
// ignored; the earlier handling comes back when the object goes.
class EndSignals : public QObject
{
public:
    explicit EndSignals(std::function<void()> end, QObject* parent = nullptr);
    ~EndSignals() override;

private:
    std::function<void()> m_end;
    QSocketNotifier* m_notifier = nullptr;
    int m_pipe[2] = {-1, -1};
    struct sigaction m_earlier[3] = {};
    bool m_handled[3] = {};
};

} // namespace platform
