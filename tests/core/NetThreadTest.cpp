// Check threads end to end on loopback: box record, thread, result message.
#include "LoopbackServer.h"
#include "TestSupport.h"

#include "core/BoxRecord.h"
#include "core/ConfigStore.h"
#include "core/MainSettings.h"
#include "core/NetThread.h"
#include "platform/Clock.h"
#include "platform/desktop/Messages.h"

#include <QElapsedTimer>

#include <gtest/gtest.h>

#include <chrono>
#include <random>
#include <thread>
#include <vector>

namespace {

struct Result
{
    int index;
    int status;
    uint32_t replyTime;
    uint32_t errorCode;
    uint64_t threadStart;
    uint64_t checkEnd; // the thread's own time, monotonic nanoseconds
    qint64 at;         // ms since the test began, when the window handled it
};

// Plays the main window: records every WM_CHECKRESULT on this thread.
class ResultWindow
{
public:
    ResultWindow()
        : receiver([this](uint32_t message, platform::WPARAM wParam, platform::LPARAM lParam) {
              if (message == platform::WM_CHECKRESULT) {
                  const auto* reply = reinterpret_cast<const CheckReply*>(lParam);
                  results.push_back(Result{checkResultIndex(wParam), checkResultStatus(wParam),
                                           reply->dwReplyTime, reply->dwErrorCode, reply->nThreadStart,
                                           reply->nCheckEnd, clock.elapsed()});
                  if (onResult)
                      onResult(results.back());
              }
              return platform::LRESULT(0);
          })
    {
        clock.start();
    }

    platform::HWND handle() { return &receiver; }

    bool waitForResults(size_t count, int timeoutMs = 5000)
    {
        return test::waitFor([&] { return results.size() >= count; }, timeoutMs);
    }

    QElapsedTimer clock;
    std::vector<Result> results;
    std::function<void(const Result&)> onResult;
    platform::MessageReceiver receiver;
};

// Waits for every check thread to end. Events are handled meanwhile: a
// thread may be waiting for its last result to be handled.
bool allThreadsEnd(int timeoutMs)
{
    return test::waitFor([] { return CNetThread::RunningCount() == 0; }, timeoutMs);
}

class NetThreadTest : public ::testing::Test
{
protected:
    NetThreadTest() : m_savedTimeOut(g_nTimeOut) { g_nTimeOut = 1000; }
    ~NetThreadTest() override
    {
        for (BoxRecord* box : boxes)
            delete box;
        EXPECT_TRUE(allThreadsEnd(5000));
        g_nTimeOut = m_savedTimeOut;
    }

    BoxRecord* makeBox(int method, const QString& target, uint32_t interval = 1)
    {
        auto* box = new BoxRecord(window.handle(), int(boxes.size()));
        box->VerifyMetod = method;
        box->IPAdress = target;
        box->CheckInterval = interval;
        box->Port = 80;
        box->Phrase = QStringLiteral("html");
        boxes.push_back(box);
        return box;
    }

    ResultWindow window;
    std::vector<BoxRecord*> boxes;

private:
    uint32_t m_savedTimeOut;
};

TEST_F(NetThreadTest, FirstResultComesAtOnceAndThenAtTheInterval)
{
    // Bounded by the thread's own times, whenever the window handles the
    // results: at once is well before the interval (1 s) ends, and the
    // interval's end is rounded to 1/64 s.
    const auto msBetween = [](uint64_t from, uint64_t to) { return double(to - from) / 1e6; };
    const uint64_t started = platform::monotonicNanoseconds();
    BoxRecord* box = makeBox(METHOD_PING, QStringLiteral("127.0.0.1"));
    box->StartThread();
    ASSERT_NE(box->m_pThread, nullptr);
    ASSERT_TRUE(window.waitForResults(1));
    EXPECT_LT(msBetween(started, window.results[0].checkEnd), 900);
    EXPECT_EQ(window.results[0].status, STATUS_UP);
    EXPECT_EQ(window.results[0].index, 0);
    EXPECT_EQ(window.results[0].errorCode, 0u);
    // A loopback reply time, taken within the time the result took to come
    // (the units are the probe's own tests' concern).
    EXPECT_LE(window.results[0].replyTime, uint32_t(window.results[0].at));
    EXPECT_EQ(window.results[0].threadStart, box->m_nThreadStart);
    ASSERT_TRUE(window.waitForResults(2));
    const double gap = msBetween(window.results[0].checkEnd, window.results[1].checkEnd);
    EXPECT_GE(gap, 1000 - 1000.0 / 128);
    EXPECT_LT(gap, 1900);
}

TEST_F(NetThreadTest, AResultHandledAfterTheIntervalIsFollowedByAWholeInterval)
{
    // The window is busy for longer than the interval with the first result.
    window.onResult = [&](const Result& r) {
        if (window.results.size() == 1)
            std::this_thread::sleep_for(std::chrono::milliseconds(1500 - r.at));
    };
    makeBox(7, QStringLiteral("127.0.0.1"))->StartThread();
    ASSERT_TRUE(window.waitForResults(2, 5000));
    EXPECT_GE(window.results[1].at, 1500 + 950);
}

TEST_F(NetThreadTest, UnknownMethodIsNetErrorWithoutCodeEveryInterval)
{
    makeBox(7, QStringLiteral("127.0.0.1"))->StartThread();
    BoxRecord* ipv = makeBox(METHOD_PING, QStringLiteral("127.0.0.1"));
    ipv->IPv = 2;
    ipv->StartThread();
    ASSERT_TRUE(window.waitForResults(4));
    for (const Result& r : window.results) {
        EXPECT_EQ(r.status, STATUS_NET_ERROR);
        EXPECT_EQ(r.errorCode, 0u);
        EXPECT_EQ(r.replyTime, 0xFFFFFFFFu);
    }
}

TEST_F(NetThreadTest, UrlBoxWithIpVersionOneIsCheckedAsUrl)
{
    test::LoopbackServer server(test::httpResponse("<html>ok</html>"));
    BoxRecord* box = makeBox(METHOD_URL, QStringLiteral("http://127.0.0.1:%1/").arg(server.port()));
    box->IPv = 1;
    box->StartThread();
    ASSERT_TRUE(window.waitForResults(1));
    EXPECT_EQ(window.results[0].status, STATUS_UP);
}

TEST_F(NetThreadTest, DetachedThreadSendsNothingMoreAndEnds)
{
    const int before = CNetThread::RunningCount();
    BoxRecord* box = makeBox(METHOD_PING, QStringLiteral("127.0.0.1"), 3);
    box->StartThread();
    ASSERT_TRUE(window.waitForResults(1));
    box->DetachThread();
    EXPECT_EQ(box->m_pThread, nullptr);
    EXPECT_EQ(box->m_nThreadStart, 0u);
    // It was waiting out its interval: it ends well within a second.
    EXPECT_TRUE(test::waitFor([&] { return CNetThread::RunningCount() == before; }, 1000));
    test::waitFor([] { return false; }, 300);
    EXPECT_EQ(window.results.size(), 1u);
}

TEST_F(NetThreadTest, StopDuringACheckSuppressesItsReport)
{
    test::FullListener full;
    g_nTimeOut = 2000;
    BoxRecord* box = makeBox(METHOD_TCP, QStringLiteral("127.0.0.1"));
    box->Port = full.port();
    const int waiting = full.connectsWaiting();
    box->StartThread();
    ASSERT_TRUE(test::waitFor([&] { return full.connectsWaiting() > waiting; })); // the connect is under way
    box->DetachThread();
    EXPECT_TRUE(allThreadsEnd(1500));
    test::waitFor([] { return false; }, 100);
    EXPECT_TRUE(window.results.empty());
}

TEST_F(NetThreadTest, RestartGetsANewIdentityAndOnlyItsResults)
{
    BoxRecord* box = makeBox(METHOD_PING, QStringLiteral("127.0.0.1"));
    box->StartThread();
    const uint64_t first = box->m_nThreadStart;
    box->DetachThread();
    box->StartThread();
    const uint64_t second = box->m_nThreadStart;
    EXPECT_NE(first, second);
    ASSERT_TRUE(window.waitForResults(3));
    // The first thread may have had one result in flight when it was let go
    // (the window drops it by its identity); nothing more comes from it.
    int fromFirst = 0;
    for (const Result& r : window.results) {
        EXPECT_TRUE(r.threadStart == first || r.threadStart == second);
        fromFirst += r.threadStart == first;
    }
    EXPECT_LE(fromFirst, 1);
    EXPECT_EQ(window.results.back().threadStart, second);
}

TEST_F(NetThreadTest, SettingsAreCopiedWhenTheThreadStarts)
{
    QString longTarget(5000, u'x');
    BoxRecord* box = makeBox(METHOD_PING, longTarget);
    box->StartThread();
    box->IPAdress = QStringLiteral("127.0.0.1"); // too late for the running thread
    ASSERT_TRUE(window.waitForResults(1));
    EXPECT_EQ(window.results[0].status, STATUS_IP_ERROR);
}

TEST_F(NetThreadTest, DeletingBoxesWhileTheirThreadsReport)
{
    std::mt19937 random(1234);
    for (int i = 0; i < 24; ++i) {
        BoxRecord* box =
            makeBox(i % 3 == 0 ? METHOD_TCP : METHOD_PING, QStringLiteral("127.0.0.%1").arg(1 + i % 4));
        box->Port = test::closedPort();
        box->CheckInterval = 1;
        box->StartThread();
    }
    // Delete boxes in the middle of the handling of other boxes' results.
    window.onResult = [&](const Result&) {
        if (boxes.size() > 8 && random() % 3 == 0) {
            const size_t victim = random() % boxes.size();
            delete boxes[victim];
            boxes.erase(boxes.begin() + qsizetype(victim));
        }
    };
    ASSERT_TRUE(window.waitForResults(40, 20000));
    window.onResult = nullptr;
    for (BoxRecord* box : boxes)
        delete box;
    boxes.clear();
    EXPECT_TRUE(allThreadsEnd(3000));
}

TEST(NetThreadChain, FreshConfigurationReportsUpWithinASecond)
{
    test::ScopedEnvironment env;
    ResultWindow window;
    CIniFile ini;
    MainSettings settings;
    BoxArray boxes{};
    config::load(ini, env.path() + QStringLiteral("/MainConfA.ini"), settings, boxes, env.path(),
                 [] { return QRect(0, 0, 800, 600); });
    ASSERT_EQ(settings.NumBox, 1);
    BoxRecord* box = boxes[0];
    box->m_hWndNotify = window.handle();
    box->StartThread();
    ASSERT_TRUE(window.waitForResults(1, 1000));
    EXPECT_EQ(window.results[0].status, STATUS_UP);
    EXPECT_EQ(window.results[0].index, 0);
    delete box;
    EXPECT_TRUE(allThreadsEnd(2000));
}

TEST(Messages, SendRunsTheProcedureOnTheWindowThreadAndWaits)
{
    std::thread::id handledOn;
    platform::MessageReceiver receiver(
        [&](uint32_t message, platform::WPARAM wParam, platform::LPARAM lParam) {
            handledOn = std::this_thread::get_id();
            return platform::LRESULT(message + wParam + platform::WPARAM(lParam));
        });
    platform::LRESULT fromThread = 0;
    std::thread sender([&] { fromThread = platform::SendMessage(&receiver, 0x404, 1, 2); });
    ASSERT_TRUE(test::waitFor([&] { return fromThread != 0; }));
    sender.join();
    EXPECT_EQ(fromThread, 0x404 + 3);
    EXPECT_EQ(handledOn, std::this_thread::get_id());
    // From the window's own thread the procedure runs directly.
    EXPECT_EQ(platform::SendMessage(&receiver, 1, 1, 1), 3);
}

TEST(Messages, SendToAWindowThatGoesReturns)
{
    auto* receiver = new platform::MessageReceiver(
        [](uint32_t, platform::WPARAM, platform::LPARAM) { return platform::LRESULT(1); });
    std::atomic<bool> sending{false};
    std::atomic<bool> returned{false};
    std::thread sender([&] {
        sending = true;
        platform::SendMessage(receiver, 0x404, 0, 0);
        returned = true;
    });
    while (!sending)
        std::this_thread::yield();
    // Gone before it handled the message (or before it was sent): either way
    // the sender is released without it.
    delete receiver;
    sender.join();
    EXPECT_TRUE(returned);
    EXPECT_EQ(platform::SendMessage(nullptr, 1, 0, 0), 0);
    EXPECT_FALSE(platform::PostMessage(nullptr, 1, 0, 0));
}

} // namespace
