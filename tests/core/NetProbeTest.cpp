// The probes against loopback only: 127.0.0.0/8 and ::1.
#include "LoopbackServer.h"
#include "TestSupport.h"

#include "core/MainSettings.h"
#include "core/NetProbe.h"
#include "platform/Clock.h"
#include "platform/net/NetErrors.h"

#include <QElapsedTimer>

#include <gtest/gtest.h>

#include <condition_variable>
#include <mutex>

namespace {

class NetProbeTest : public ::testing::Test
{
protected:
    NetProbeTest() : m_savedTimeOut(g_nTimeOut) { g_nTimeOut = 1000; }
    ~NetProbeTest() override { g_nTimeOut = m_savedTimeOut; }

    CNetProbe probe;

private:
    uint32_t m_savedTimeOut;
};

TEST_F(NetProbeTest, PingLoopbackIsUpWithAReplyTime)
{
    // Another loopback address answers from itself, and the handle is reused.
    const struct
    {
        const char* target;
        bool v6;
    } pings[] = {{"127.0.0.1", false}, {"127.0.0.2", false}, {"::1", true}};
    for (const auto& ping : pings) {
        const uint64_t start = platform::monotonicNanoseconds();
        EXPECT_EQ(ping.v6 ? probe.PingV6(ping.target) : probe.PingV4(ping.target), STATUS_UP)
            << ping.target << " " << probe.m_dwLastError;
        const uint32_t callMs = platform::elapsedMilliseconds(start, platform::monotonicNanoseconds());
        EXPECT_EQ(probe.m_dwLastError, 0u) << ping.target;
        // Loopback answers at once: the reply time, in whole milliseconds, is
        // no longer than the call (which a busy machine may stretch while the
        // probe waits for a core), so 0 for a call under a millisecond.
        EXPECT_LE(probe.m_dwReplyTime, callMs) << ping.target;
    }
}

TEST_F(NetProbeTest, OneProbeFollowsItsTargetFromPingToPing)
{
    // The socket stays connected to its target between pings; a new target
    // (or one that failed in between) is answered from itself all the same.
    const struct
    {
        const char* target;
        int status;
    } pings[] = {{"127.0.0.1", STATUS_UP},
                 {"127.0.0.1", STATUS_UP},
                 {"127.0.0.3", STATUS_UP},
                 {"127.0.0.1", STATUS_UP},
                 {"no.such.host.invalid", STATUS_IP_ERROR},
                 {"127.0.0.1", STATUS_UP},
                 {"127.0.0.4", STATUS_UP}};
    for (const auto& ping : pings)
        EXPECT_EQ(probe.PingV4(ping.target), ping.status) << ping.target << " " << probe.m_dwLastError;
}

TEST_F(NetProbeTest, PingTargetsThatDoNotResolveAreIpErrors)
{
    // A name from the hosts file resolves without any name server.
    EXPECT_EQ(probe.PingV4("localhost"), STATUS_UP) << probe.m_dwLastError;

    EXPECT_EQ(probe.PingV4(""), STATUS_IP_ERROR);
    EXPECT_EQ(probe.m_dwLastError, neterr::WSAHOST_NOT_FOUND);
    EXPECT_EQ(probe.m_dwReplyTime, 0xFFFFFFFFu);
    EXPECT_EQ(probe.PingV6(""), STATUS_IP_ERROR);
    EXPECT_EQ(probe.m_dwLastError, neterr::WSAHOST_NOT_FOUND);
    // An IPv4 answer for an IPv6 ping: IP ERROR with no code.
    EXPECT_EQ(probe.PingV6("127.0.0.1"), STATUS_IP_ERROR);
    EXPECT_EQ(probe.m_dwLastError, 0u);
}

TEST_F(NetProbeTest, TcpOpenPortIsUpAndClosedPortIsCloseWithATime)
{
    test::LoopbackServer server(test::httpResponse("hello"));
    EXPECT_EQ(probe.TcpConnectV4("127.0.0.1", server.port()), STATUS_UP) << probe.m_dwLastError;
    EXPECT_NE(probe.m_dwReplyTime, 0xFFFFFFFFu);
    EXPECT_EQ(probe.m_dwLastError, 0u);

    const uint16_t closed = test::closedPort();
    const uint64_t start = platform::monotonicNanoseconds();
    EXPECT_EQ(probe.TcpConnectV4("127.0.0.1", closed), STATUS_CLOSE);
    EXPECT_EQ(probe.m_dwLastError, neterr::WSAECONNREFUSED);
    EXPECT_LE(probe.m_dwReplyTime, platform::elapsedMilliseconds(start, platform::monotonicNanoseconds()));

    // The IPv6 check is dual-stack: it reaches an IPv4 listener too.
    EXPECT_EQ(probe.TcpConnectV6("127.0.0.1", server.port()), STATUS_UP) << probe.m_dwLastError;
    EXPECT_EQ(probe.TcpConnectV6("::1", closed), STATUS_CLOSE);
    EXPECT_NE(probe.m_dwReplyTime, 0xFFFFFFFFu);
    test::LoopbackServer server6(test::httpResponse("hello"), false, true);
    EXPECT_EQ(probe.TcpConnectV6("::1", server6.port()), STATUS_UP) << probe.m_dwLastError;
}

TEST_F(NetProbeTest, TcpPortOutsideTheRangeIsAnIpError)
{
    for (uint32_t port : {0u, 65536u, 70000u, 0xFFFFFFFFu}) {
        EXPECT_EQ(probe.TcpConnectV4("127.0.0.1", port), STATUS_IP_ERROR) << port;
        EXPECT_EQ(probe.m_dwLastError, neterr::WSAEINVAL);
        EXPECT_EQ(probe.TcpConnectV6("127.0.0.1", port), STATUS_IP_ERROR) << port;
        EXPECT_EQ(probe.m_dwLastError, neterr::WSAEINVAL);
    }
    EXPECT_EQ(probe.TcpConnectV4("", 80), STATUS_IP_ERROR);
    EXPECT_EQ(probe.m_dwLastError, neterr::WSAEINVAL);
}

TEST_F(NetProbeTest, TcpConnectThatOutlastsTheTimeOutIsDown)
{
    test::FullListener full;
    g_nTimeOut = 300;
    QElapsedTimer timer;
    timer.start();
    EXPECT_EQ(probe.TcpConnectV4("127.0.0.1", full.port()), STATUS_DOWN);
    EXPECT_EQ(probe.m_dwLastError, neterr::WSAETIMEDOUT);
    EXPECT_EQ(probe.m_dwReplyTime, 0xFFFFFFFFu);
    EXPECT_GE(timer.elapsed(), 290);
    EXPECT_LT(timer.elapsed(), 5000); // not the system's connect time-out, which takes minutes

    probe.m_nTcpV6TimeoutMs = 300;
    timer.restart();
    EXPECT_EQ(probe.TcpConnectV6("127.0.0.1", full.port()), STATUS_DOWN);
    EXPECT_EQ(probe.m_dwLastError, neterr::WSAETIMEDOUT);
    EXPECT_LT(timer.elapsed(), 5000);
}

TEST_F(NetProbeTest, UrlPhraseDecidesUpOrDown)
{
    test::LoopbackServer server(test::httpResponse("<html><body>All systems 正常</body></html>"));
    const QByteArray url = "http://127.0.0.1:" + QByteArray::number(server.port()) + "/status";
    EXPECT_EQ(probe.CheckUrl(url, QStringLiteral("systems 正常")), STATUS_UP) << probe.m_dwLastError;
    EXPECT_NE(probe.m_dwReplyTime, 0xFFFFFFFFu);
    EXPECT_EQ(probe.m_dwLastError, 0u);
    EXPECT_EQ(probe.CheckUrl(url, QStringLiteral("SYSTEMS")), STATUS_DOWN);
    EXPECT_NE(probe.m_dwReplyTime, 0xFFFFFFFFu);
    EXPECT_EQ(probe.CheckUrl(url, QString()), STATUS_UP);
}

TEST_F(NetProbeTest, UrlErrorPagesAreSearchedToo)
{
    test::LoopbackServer server(test::httpResponse("not found here", 404));
    const QByteArray url = "http://127.0.0.1:" + QByteArray::number(server.port()) + "/";
    EXPECT_EQ(probe.CheckUrl(url, QStringLiteral("not found")), STATUS_UP);
}

TEST_F(NetProbeTest, UrlFailuresAreClassified)
{
    const struct
    {
        QByteArray url;
        int status;
        uint32_t error;
    } cases[] = {
        {"http://127.0.0.1:" + QByteArray::number(test::closedPort()) + "/", STATUS_DOWN,
         neterr::ERROR_INTERNET_CANNOT_CONNECT},
        {"127.0.0.1/index.html", STATUS_IP_ERROR, neterr::ERROR_INTERNET_INVALID_URL},
        {"", STATUS_IP_ERROR, neterr::ERROR_INTERNET_INVALID_URL},
        {"gopher://127.0.0.1/", STATUS_IP_ERROR, neterr::ERROR_INTERNET_UNRECOGNIZED_SCHEME},
        {"file:///etc/passwd", STATUS_IP_ERROR, neterr::ERROR_INTERNET_UNRECOGNIZED_SCHEME},
        {"http://[::1/", STATUS_IP_ERROR, neterr::ERROR_INTERNET_INVALID_URL},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(probe.CheckUrl(c.url, QStringLiteral("x")), c.status) << c.url.constData();
        EXPECT_EQ(probe.m_dwLastError, c.error) << c.url.constData();
        EXPECT_EQ(probe.m_dwReplyTime, 0xFFFFFFFFu) << c.url.constData();
    }
}

TEST_F(NetProbeTest, UrlServerThatNeverAnswersEndsWithinTheTimeOut)
{
    test::LoopbackServer silent(QByteArray(), true);
    probe.m_urlOptions.idleTimeoutSeconds = 1;
    QElapsedTimer timer;
    timer.start();
    const int status = probe.CheckUrl("http://127.0.0.1:" + QByteArray::number(silent.port()) + "/", "x");
    EXPECT_TRUE(status == STATUS_NET_ERROR || status == STATUS_DOWN) << status;
    EXPECT_EQ(probe.m_dwLastError, neterr::ERROR_INTERNET_TIMEOUT);
    EXPECT_LT(timer.elapsed(), 5000);
}

TEST_F(NetProbeTest, UrlServerThatTricklesForEverEndsAsDownWithTheTimeOut)
{
    // The phrase at once, then a blank four times a second for ever: enough
    // for the idle limit, never an end.
    test::LoopbackServer trickle("HTTP/1.1 200 OK\r\nContent-Type: text/html\r\n\r\n<html>phrase", false,
                                 false, true);
    probe.m_urlOptions.connectTimeoutSeconds = 1;
    probe.m_urlOptions.idleTimeoutSeconds = 2;
    // Should the fetch not end by itself, a stop ends it after 20 s.
    std::atomic<bool> stop{false};
    probe.m_pStop = &stop;
    std::mutex mutex;
    std::condition_variable ended;
    bool done = false;
    std::thread guard([&] {
        std::unique_lock lock(mutex);
        if (!ended.wait_for(lock, std::chrono::seconds(20), [&] { return done; }))
            stop = true;
    });
    QElapsedTimer timer;
    timer.start();
    const int status =
        probe.CheckUrl("http://127.0.0.1:" + QByteArray::number(trickle.port()) + "/", "phrase");
    const qint64 elapsed = timer.elapsed();
    {
        std::lock_guard lock(mutex);
        done = true;
    }
    ended.notify_one();
    guard.join();
    EXPECT_FALSE(stop) << "the fetch went on until it was stopped";
    EXPECT_EQ(status, STATUS_DOWN);
    EXPECT_EQ(probe.m_dwLastError, neterr::ERROR_INTERNET_TIMEOUT);
    EXPECT_GE(elapsed, 2500); // the limit is the connect and idle limits together
}

TEST_F(NetProbeTest, UrlResponseHeadTooLargeIsAnInvalidServerResponse)
{
    QByteArray manyLines;
    for (int i = 0; i < 3300; ++i)
        manyLines += "X-Line-" + QByteArray::number(i) + ": " + QByteArray(90, 'a') + "\r\n";
    const QByteArray heads[] = {"X-Big: " + QByteArray(300 * 1024, 'a') + "\r\n", manyLines};
    for (const QByteArray& head : heads) {
        test::LoopbackServer server("HTTP/1.1 200 OK\r\n" + head + "Content-Length: 6\r\n\r\nphrase");
        const int status =
            probe.CheckUrl("http://127.0.0.1:" + QByteArray::number(server.port()) + "/", "phrase");
        EXPECT_EQ(status, STATUS_NET_ERROR) << head.size();
        EXPECT_EQ(probe.m_dwLastError, neterr::ERROR_HTTP_INVALID_SERVER_RESPONSE) << head.size();
    }
}

TEST_F(NetProbeTest, UrlFetchStopsWhenTheThreadIsToldTo)
{
    test::LoopbackServer silent(QByteArray(), true);
    std::atomic<bool> stop{false};
    probe.m_pStop = &stop;
    std::thread stopper([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        stop = true;
    });
    QElapsedTimer timer;
    timer.start();
    probe.CheckUrl("http://127.0.0.1:" + QByteArray::number(silent.port()) + "/", "x");
    stopper.join();
    EXPECT_LT(timer.elapsed(), 10000); // not the idle time-out of 30 s
}

TEST_F(NetProbeTest, ABigPageIsReadOnlyUpToTheBound)
{
    QByteArray body(64 * 1024, 'a');
    body.append("needle");
    test::LoopbackServer server(test::httpResponse(body));
    probe.m_urlOptions.maxBodyBytes = 16 * 1024;
    const QByteArray url = "http://127.0.0.1:" + QByteArray::number(server.port()) + "/";
    EXPECT_EQ(probe.CheckUrl(url, QStringLiteral("aaaa")), STATUS_UP);
    EXPECT_EQ(probe.CheckUrl(url, QStringLiteral("needle")), STATUS_DOWN);
    // The thread's next fetch starts from its own options, not the last's.
    probe.m_urlOptions = platform::UrlFetchOptions();
    EXPECT_EQ(probe.CheckUrl(url, QStringLiteral("needle")), STATUS_UP);
}

TEST_F(NetProbeTest, NoProbeLeavesADescriptorOpen)
{
    test::LoopbackServer server(test::httpResponse("ok"));
    const QByteArray url = "http://127.0.0.1:" + QByteArray::number(server.port()) + "/";
    // Warm up whatever the libraries open once per process.
    probe.CheckUrl(url, "ok");
    probe.PingV4("127.0.0.1");
    probe.PingV6("::1");
    probe.CloseHandles();
    const int before = test::openDescriptorCount();
    for (int i = 0; i < 5; ++i) {
        probe.PingV4("127.0.0.1");
        probe.PingV6("::1");
        probe.TcpConnectV4("127.0.0.1", server.port());
        probe.TcpConnectV4("127.0.0.1", test::closedPort());
        probe.TcpConnectV6("127.0.0.1", server.port());
        probe.CheckUrl(url, "ok");
        probe.CheckUrl("gopher://x/", "ok");
        probe.CloseHandles();
    }
    // The loopback server closes its side of connections on its own thread a
    // moment later (so `before` may hold one more); five rounds that each
    // leaked would leave at least five more for good.
    EXPECT_TRUE(test::waitFor([&] { return test::openDescriptorCount() <= before; }, 3000))
        << test::openDescriptorCount() << " open, " << before << " before";
}

TEST(NetProbeClassification, TcpErrorsGetTheirStatus)
{
    const struct
    {
        uint32_t error;
        int status;
    } cases[] = {
        {10022, STATUS_IP_ERROR},  {10049, STATUS_IP_ERROR}, {11001, STATUS_IP_ERROR},
        {10050, STATUS_NET_ERROR}, {10004, STATUS_DOWN},     {10061, STATUS_CLOSE},
        {10060, STATUS_DOWN},      {10064, STATUS_DOWN},     {10051, STATUS_NET_ERROR},
        {12345, STATUS_NET_ERROR},
    };
    for (const auto& c : cases)
        EXPECT_EQ(classifyTcpError(c.error), c.status) << c.error;
}

TEST(NetProbeClassification, UrlOpenErrorsGetTheirStatus)
{
    const struct
    {
        uint32_t error;
        int status;
    } cases[] = {
        {12029, STATUS_DOWN},      {12005, STATUS_IP_ERROR}, {12006, STATUS_IP_ERROR},
        {12007, STATUS_IP_ERROR},  {123, STATUS_IP_ERROR},   {12002, STATUS_NET_ERROR},
        {12157, STATUS_NET_ERROR},
    };
    for (const auto& c : cases)
        EXPECT_EQ(classifyUrlOpenError(c.error), c.status) << c.error;
}

} // namespace
