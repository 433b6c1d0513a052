// Texts spoken in full, one after another, in the order they came.
#include "platform/sound/SpeechQueue.h"

#include "core/SoundThread.h"
#include "core/Workers.h"
#include "platform/sound/Sound.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

// Readable failure messages for Qt string lists.
static void PrintTo(const QStringList& list, std::ostream* out)
{
    *out << '[';
    for (qsizetype i = 0; i < list.size(); ++i)
        *out << (i ? ", " : "") << '"' << list[i].toStdString() << '"';
    *out << ']';
}

namespace {

using namespace std::chrono_literals;

// Speaks `text` on a thread of its own; `returned` is set when speak() ends.
struct Speaker
{
    Speaker(test::QueuedRecordingSpeech& speech, QString text)
        : thread([this, &speech, text] {
              speech.speak(text);
              returned = true;
          })
    {
    }
    ~Speaker() { thread.join(); }
    std::atomic<bool> returned{false};
    std::thread thread;
};

TEST(SpeechQueue, EveryTextIsSpokenInFullInTheOrderItCame)
{
    test::QueuedRecordingSpeech speech;
    Speaker first(speech, QStringLiteral("Router is Down"));
    ASSERT_TRUE(test::waitFor([&] { return speech.engine.speaking(); }));
    Speaker second(speech, QStringLiteral("Printer is Down"));
    ASSERT_TRUE(test::waitFor([&] { return speech.queue.waitingCount() == 1; }));
    Speaker third(speech, QStringLiteral("Mail is Down"));
    ASSERT_TRUE(test::waitFor([&] { return speech.queue.waitingCount() == 2; }));
    test::waitFor([] { return false; }, 100);
    // The first is still being spoken: nothing cuts it off, nobody returned.
    EXPECT_EQ(speech.engine.begun(), QStringList{QStringLiteral("Router is Down")});
    EXPECT_FALSE(first.returned);
    EXPECT_FALSE(second.returned);
    EXPECT_FALSE(third.returned);

    // Its end lets the first speaker go, and the next text begins.
    ASSERT_TRUE(speech.engine.finish());
    EXPECT_TRUE(test::waitFor([&] { return first.returned.load(); }));
    ASSERT_TRUE(test::waitFor([&] { return speech.engine.begun().size() == 2; }));
    EXPECT_FALSE(second.returned);
    ASSERT_TRUE(speech.engine.finish());
    EXPECT_TRUE(test::waitFor([&] { return second.returned.load(); }));
    ASSERT_TRUE(test::waitFor([&] { return speech.engine.begun().size() == 3; }));
    ASSERT_TRUE(speech.engine.finish());
    EXPECT_TRUE(test::waitFor([&] { return third.returned.load(); }));

    const QStringList expected = {QStringLiteral("Router is Down"), QStringLiteral("Printer is Down"),
                                  QStringLiteral("Mail is Down")};
    EXPECT_EQ(speech.engine.begun(), expected);
    EXPECT_EQ(speech.engine.overlaps(), 0);
    EXPECT_EQ(speech.queue.droppedCount(), 0);
}

// Several boxes going down together: the sound threads of all of them speak
// through the queue, and every name is heard once, none cut off.
TEST(SpeechQueue, SoundThreadsOfBoxesThatWentDownTogetherAreAllHeard)
{
    test::QueuedRecordingSpeech speech;
    platform::setSpeechOutput(&speech);
    const QStringList names = {QStringLiteral("Router"), QStringLiteral("Printer"), QStringLiteral("Mail"),
                               QStringLiteral("Web")};
    for (const QString& name : names) {
        auto thread = std::make_unique<CSoundThread>();
        thread->m_bSpeak = 1;
        thread->m_strSpeechText = QStringLiteral("%name is Down");
        thread->m_strBoxName = name;
        CSoundThread::Begin(std::move(thread));
    }
    // The voice takes its time over each text.
    std::atomic<bool> stop{false};
    std::thread voice([&] {
        while (!stop) {
            if (speech.engine.speaking()) {
                std::this_thread::sleep_for(20ms);
                speech.engine.finish();
            }
            std::this_thread::sleep_for(2ms);
        }
    });
    EXPECT_TRUE(waitForWorkers(10000));
    stop = true;
    voice.join();
    platform::setSpeechOutput(nullptr);
    QStringList heard = speech.engine.begun();
    EXPECT_EQ(heard.size(), 4) << heard.join(u',').toStdString();
    for (const QString& name : names)
        EXPECT_TRUE(heard.contains(name + QStringLiteral(" is Down"))) << name.toStdString();
    EXPECT_EQ(speech.engine.overlaps(), 0);
}

TEST(SpeechQueue, AtMostSixteenWaitTheOldestWaitingAreDropped)
{
    test::QueuedRecordingSpeech speech;
    std::vector<std::unique_ptr<Speaker>> speakers;
    speakers.push_back(std::make_unique<Speaker>(speech, QStringLiteral("text 0")));
    ASSERT_TRUE(test::waitFor([&] { return speech.engine.speaking(); }));
    // One at a time, so that the order they came in is known.
    for (int i = 1; i <= 20; ++i) {
        speakers.push_back(std::make_unique<Speaker>(speech, QStringLiteral("text %1").arg(i)));
        ASSERT_TRUE(
            test::waitFor([&] { return speech.queue.waitingCount() + speech.queue.droppedCount() == i; }));
    }
    // 20 came while "text 0" was spoken: the 4 oldest waiting were dropped,
    // and their speakers returned.
    ASSERT_TRUE(test::waitFor([&] { return speech.queue.droppedCount() == 4; }));
    for (int i = 1; i <= 4; ++i)
        EXPECT_TRUE(test::waitFor([&] { return speakers[size_t(i)]->returned.load(); })) << i;
    EXPECT_FALSE(speakers[5]->returned);
    testing::internal::CaptureStderr();
    // One more: a fifth drop, said no more on the error stream.
    speakers.push_back(std::make_unique<Speaker>(speech, QStringLiteral("text 21")));
    ASSERT_TRUE(test::waitFor([&] { return speech.queue.droppedCount() == 5; }));
    EXPECT_EQ(testing::internal::GetCapturedStderr(), std::string());

    while (test::waitFor([&] { return speech.engine.speaking(); }, 1000))
        speech.engine.finish();
    QStringList expected = {QStringLiteral("text 0")};
    for (int i = 6; i <= 21; ++i)
        expected << QStringLiteral("text %1").arg(i);
    EXPECT_EQ(speech.engine.begun(), expected);
    EXPECT_EQ(speech.engine.overlaps(), 0);
    speakers.clear();
}

TEST(SpeechQueue, TheFirstDropIsSaidOnTheErrorStream)
{
    test::QueuedRecordingSpeech speech;
    std::vector<std::unique_ptr<Speaker>> speakers;
    speakers.push_back(std::make_unique<Speaker>(speech, QStringLiteral("first")));
    ASSERT_TRUE(test::waitFor([&] { return speech.engine.speaking(); }));
    for (int i = 0; i < 16; ++i)
        speakers.push_back(std::make_unique<Speaker>(speech, QStringLiteral("waiting %1").arg(i)));
    ASSERT_TRUE(test::waitFor([&] { return speech.engine.begun().size() == 1; }));
    test::waitFor([] { return false; }, 100);
    EXPECT_EQ(speech.queue.droppedCount(), 0);
    testing::internal::CaptureStderr();
    speakers.push_back(std::make_unique<Speaker>(speech, QStringLiteral("one too many")));
    ASSERT_TRUE(test::waitFor([&] { return speech.queue.droppedCount() == 1; }));
    const std::string said = testing::internal::GetCapturedStderr();
    EXPECT_NE(said.find("dropped"), std::string::npos) << said;
    speech.queue.close();
    speakers.clear();
}

// An engine that never reports the end does not hold the queue for ever.
TEST(SpeechQueue, ATextTheEngineNeverEndsCountsAsEndedAfterItsLimit)
{
    test::RecordingSpeechEngine engine;
    platform::SpeechQueue queue(&engine);
    // Taken before the first text is handed over: its limit runs from a
    // later moment, however late this thread sees it begin.
    const auto start = std::chrono::steady_clock::now();
    std::thread first([&] { queue.speak(QStringLiteral("stuck"), 1.0, 150ms); });
    ASSERT_TRUE(test::waitFor([&] { return engine.speaking(); }));
    std::thread second([&] { queue.speak(QStringLiteral("next"), 1.0, 150ms); });
    ASSERT_TRUE(test::waitFor([&] { return engine.begun().size() == 2; }));
    EXPECT_GE(std::chrono::steady_clock::now() - start, 150ms);
    first.join();
    queue.close();
    second.join();
}

} // namespace
