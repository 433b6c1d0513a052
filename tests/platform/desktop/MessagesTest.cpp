// Window messages between threads: queued messages are handled in their order,
// those that wait together in one wake; a sent message can be waited for
// later; a window that goes releases every sender.
#include "TestSupport.h"

#include "platform/desktop/Messages.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QStringList>
#include <QTimer>

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

namespace {

using platform::LPARAM;
using platform::LRESULT;
using platform::WPARAM;

// Counts the wakes that reach a receiver.
class WakeCounter : public QObject
{
public:
    bool eventFilter(QObject*, QEvent* event) override
    {
        wakes += event->type() >= QEvent::User;
        return false;
    }
    int wakes = 0;
};

TEST(MessageQueue, MessagesWaitingTogetherAreHandledInOneWakeInTheirOrder)
{
    std::vector<uint32_t> handled;
    platform::MessageReceiver receiver([&](uint32_t message, WPARAM, LPARAM) {
        handled.push_back(message);
        return LRESULT(0);
    });
    WakeCounter counter;
    receiver.installEventFilter(&counter);
    for (uint32_t message = 1; message <= 5; ++message)
        ASSERT_TRUE(platform::PostMessage(&receiver, message, 0, 0));
    // From another thread, waiting for the answer behind the five.
    std::atomic<LRESULT> sent{-1};
    std::thread sender([&] { sent = platform::SendMessage(&receiver, 6, 0, 0); });
    ASSERT_TRUE(test::waitFor([&] { return sent != -1; }));
    sender.join();
    EXPECT_EQ(handled, (std::vector<uint32_t>{1, 2, 3, 4, 5, 6}));
    // The posts' wake, one more for those behind the first (an event loop run
    // by a procedure needs it), and the send's if it came after that.
    EXPECT_LE(counter.wakes, 3);
}

TEST(MessageQueue, AHandlerRunningItsOwnEventLoopStillGetsTheMessagesThatCome)
{
    // The second message is sent while the first one's handler runs its loop,
    // or was already queued behind the first.
    for (const bool queuedBehind : {false, true}) {
        SCOPED_TRACE(queuedBehind ? "queued behind" : "sent meanwhile");
        std::vector<int> steps;
        QEventLoop* nested = nullptr;
        std::thread sender;
        platform::MessageReceiver receiver([&](uint32_t message, WPARAM, LPARAM) {
            if (message == 1) {
                steps.push_back(1);
                QEventLoop loop; // a menu or a dialog, say
                nested = &loop;
                if (!queuedBehind)
                    sender = std::thread([&] { platform::SendMessage(&receiver, 2, 0, 0); });
                QTimer::singleShot(5000, &loop, &QEventLoop::quit);
                loop.exec();
                nested = nullptr;
                steps.push_back(-1);
            } else {
                steps.push_back(int(message));
                if (nested)
                    nested->quit();
            }
            return LRESULT(0);
        });
        platform::PostMessage(&receiver, 1, 0, 0);
        if (queuedBehind)
            platform::PostMessage(&receiver, 2, 0, 0);
        ASSERT_TRUE(test::waitFor([&] { return steps.size() == 3; }, 6000));
        if (sender.joinable())
            sender.join();
        EXPECT_EQ(steps, (std::vector<int>{1, 2, -1}));
    }
}

// The after-run hook follows the last message of each run; inRun() holds
// while the procedure handles a message, and not in an event loop of the
// procedure's own (a message handled there is a run of its own).
TEST(MessageQueue, AfterRunFollowsEachRunAndInRunOnlyHoldsInIt)
{
    constexpr uint32_t kRunsLoop = 9;
    struct Case
    {
        std::vector<uint32_t> posted;
        QStringList log;
    };
    const Case cases[] = {
        {{1, 2, 3}, {"1 in", "2 in", "3 in", "after out"}},
        {{kRunsLoop}, {"9 in", "loop out", "9 in", "after out"}},
        {{kRunsLoop, 1}, {"9 in", "1 in", "after out", "loop out", "9 in", "after out"}},
    };
    for (const Case& c : cases) {
        QStringList log;
        platform::MessageReceiver* self = nullptr;
        const auto note = [&](const QString& what) {
            log << what + (self->inRun() ? QStringLiteral(" in") : QStringLiteral(" out"));
        };
        platform::MessageReceiver receiver([&](uint32_t message, WPARAM, LPARAM) {
            note(QString::number(message));
            if (message == kRunsLoop) {
                QEventLoop loop;
                QTimer::singleShot(0, &loop, [&] {
                    note(QStringLiteral("loop"));
                    loop.quit();
                });
                loop.exec();
                note(QString::number(message));
            }
            return LRESULT(0);
        });
        self = &receiver;
        receiver.setAfterRun([&] { note(QStringLiteral("after")); });
        for (const uint32_t message : c.posted)
            ASSERT_TRUE(platform::PostMessage(&receiver, message, 0, 0));
        EXPECT_FALSE(receiver.inRun());
        ASSERT_TRUE(test::waitFor([&] { return log.size() >= c.log.size(); }));
        QCoreApplication::processEvents();
        EXPECT_EQ(log, c.log);
        EXPECT_FALSE(receiver.inRun());
    }
}

TEST(MessageQueue, ASentMessageIsWaitedForLater)
{
    struct Case
    {
        const char* name;
        bool handle; // else the window goes before handling it
        LRESULT expected;
    };
    const Case cases[] = {{"handled", true, 42}, {"window gone", false, 0}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto* receiver = new platform::MessageReceiver([](uint32_t, WPARAM, LPARAM) { return LRESULT(42); });
        std::atomic<int> stage{0};
        bool handledBefore = true;
        bool handledAfter = false;
        LRESULT result = -1;
        std::thread sender([&] {
            platform::SentMessage sent(receiver, 7, 0, 0);
            handledBefore = sent.isHandled();
            stage = 1;
            while (stage != 2)
                std::this_thread::yield();
            handledAfter = sent.isHandled();
            result = sent.wait();
        });
        while (stage != 1)
            std::this_thread::yield();
        if (c.handle)
            QCoreApplication::processEvents();
        delete receiver;
        stage = 2;
        sender.join();
        EXPECT_FALSE(handledBefore);
        EXPECT_TRUE(handledAfter);
        EXPECT_EQ(result, c.expected);
    }
}

TEST(MessageQueue, ManySendersEachGetTheirOwnAnswer)
{
    platform::MessageReceiver receiver(
        [](uint32_t message, WPARAM wParam, LPARAM) { return LRESULT(message * 1000 + wParam); });
    constexpr int kSenders = 16;
    constexpr int kRounds = 50;
    std::atomic<int> wrong{0};
    std::atomic<int> done{0};
    std::vector<std::thread> senders;
    for (int s = 0; s < kSenders; ++s)
        senders.emplace_back([&, s] {
            for (int round = 0; round < kRounds; ++round)
                if (platform::SendMessage(&receiver, uint32_t(s), WPARAM(round), 0) != s * 1000 + round)
                    ++wrong;
            ++done;
        });
    EXPECT_TRUE(test::waitFor([&] { return done == kSenders; }, 10000));
    for (auto& t : senders)
        t.join();
    EXPECT_EQ(wrong, 0);
}

} // namespace
