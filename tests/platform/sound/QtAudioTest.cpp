#include "platform/sound/QtAudio.h"

#include "TestSupport.h"

#include <QElapsedTimer>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

using platform::QtSoundOutput;
using platform::QtSpeechOutput;

// Unknown sounds are refused on any machine, with or without a device.
TEST(QtAudio, RefusesSoundsThatDoNotExist)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    QtSoundOutput output;
    EXPECT_FALSE(output.playBuiltIn(QStringLiteral("NOPE")));
    EXPECT_FALSE(output.playBuiltIn(QString()));
    EXPECT_FALSE(output.playFile(dir.filePath(QStringLiteral("missing.wav"))));
    EXPECT_FALSE(output.playFile(dir.path())); // a folder is no sound
    EXPECT_FALSE(output.playFile(QString()));
}

TEST(QtAudio, BuiltInSoundReachesTheDevice)
{
    if (!QtSoundOutput::hasAudioOutput())
        GTEST_SKIP() << "no audio output device on this machine: the sound cannot be played";
    QtSoundOutput output;
    output.setVolume(0); // silent, but played all the same
    ASSERT_TRUE(output.playBuiltIn(QStringLiteral("IDW_UP")));
    EXPECT_TRUE(test::waitFor([&] { return output.startedCount() > 0; }));
}

TEST(QtAudio, SpeechThroughFliteReturnsOnceSpoken)
{
    QElapsedTimer timer;
    timer.start();
    QtSpeechOutput speech;
    if (!speech.isAvailable())
        GTEST_SKIP() << "no flite speech engine could be set up on this machine";
    speech.setVolume(0);
    speech.speak(QStringLiteral("Web is Down"));
    EXPECT_TRUE(test::waitFor([&] { return speech.spokenCount() == 1; }));
    // speak() waits for the end of the text, but never without bound.
    EXPECT_LT(timer.elapsed(), 20000);
    // Nothing to say is no utterance.
    speech.speak(QString());
    speech.speak(QStringLiteral("   "));
    EXPECT_EQ(speech.spokenCount(), 1);
}

// A text is spoken in full: the next one waits for its end instead of cutting
// it off, and then is spoken in full itself.
TEST(QtAudio, SpeechIsNotCutOffByTheNextText)
{
    QtSpeechOutput speech;
    if (!speech.isAvailable() || !QtSoundOutput::hasAudioOutput())
        GTEST_SKIP() << "no speech engine or no audio output on this machine";
    speech.setVolume(0);
    const QString sentence =
        QStringLiteral("This first sentence is long enough to be still speaking when the second comes");
    QElapsedTimer alone;
    alone.start();
    speech.speak(sentence);
    const qint64 sentenceMs = alone.elapsed();
    ASSERT_GT(sentenceMs, 1500);

    QElapsedTimer together;
    together.start();
    std::atomic<qint64> firstMs{0};
    std::thread first([&] {
        speech.speak(sentence);
        firstMs = together.elapsed();
    });
    ASSERT_TRUE(test::waitFor([&] { return speech.spokenCount() == 2; }));
    test::waitFor([] { return false; }, 300); // the first is under way
    speech.speak(QStringLiteral("Web is Down"));
    const qint64 bothMs = together.elapsed();
    first.join();
    // The first was spoken to its end, not cut off when the second came at
    // 300 ms; the second only after it, and in full. Its synthesis takes
    // longer or shorter as other programs leave the machine busy or idle, so
    // the first is only held to half its time alone (cut off, it ends soon
    // after 300 ms).
    EXPECT_GT(firstMs, sentenceMs / 2) << sentenceMs << " ms alone";
    EXPECT_GT(bothMs, firstMs + 400) << firstMs << " ms for the first";
    EXPECT_EQ(speech.spokenCount(), 3);
}
