#pragma once

#include <QByteArray>

#include <atomic>
#include <cstdint>
#include <thread>

namespace test {

// A TCP server on 127.0.0.1 (or ::1) for the probes to reach. It answers
// every connection with `response`, or, when `silent`, accepts and never
// says anything. With `trickle` it follows the response with a blank every
// quarter of a second for as long as the client listens.
class LoopbackServer
{
public:
    explicit LoopbackServer(QByteArray response, bool silent = false, bool ipv6 = false,
                            bool trickle = false);
    ~LoopbackServer();
    uint16_t port() const { return m_port; }
    int connections() const { return m_connections; }

private:
    void run();

    QByteArray m_response;
    bool m_silent;
    bool m_trickle;
    int m_fd = -1;
    int m_wake[2] = {-1, -1};
    uint16_t m_port = 0;
    std::atomic<int> m_connections{0};
    std::thread m_thread;
};

// An HTTP response with the given body.
QByteArray httpResponse(const QByteArray& body, int status = 200);

// A loopback port (127.0.0.1 and ::1) that nothing listens on, nor will
// while the test program runs.
uint16_t closedPort();

// A port on 127.0.0.1 whose listener never accepts and whose queue is full,
// so that new connections hang. Closed with the object.
class FullListener
{
public:
    FullListener();
    ~FullListener();
    uint16_t port() const { return m_port; }
    // The connections to it that wait for an answer (its own fillers among
    // them): one more shows that a connect is under way.
    int connectsWaiting() const;

private:
    int m_fd = -1;
    int m_fillers[8] = {-1, -1, -1, -1, -1, -1, -1, -1};
    uint16_t m_port = 0;
};

// The number of open file descriptors of this process.
int openDescriptorCount();

} // namespace test
