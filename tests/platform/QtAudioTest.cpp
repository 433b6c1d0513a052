#include "platform/QtAudio.h"

#include "TestSupport.h"

#include <QElapsedTimer>
#include <QTemporaryDir>

#include <gtest/gtest.h>

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

TEST(QtAudio, SpeechThatCutsOffAnotherWaitsForItsOwnEnd)
{
    QtSpeechOutput speech;
    if (!speech.isAvailable() || !QtSoundOutput::hasAudioOutput())
        GTEST_SKIP() << "no speech engine or no audio output on this machine";
    std::thread first([&] {
        speech.speak(
            QStringLiteral("This first sentence is long enough to be still speaking when the second comes"));
    });
    ASSERT_TRUE(test::waitFor([&] { return speech.spokenCount() == 1; }));
    test::waitFor([] { return false; }, 300); // the first is under way
    QElapsedTimer timer;
    timer.start();
    speech.speak(QStringLiteral("Web is Down"));
    // Spoken to its end takes most of a second; released by the end of the
    // sentence it cut off, it would return at once.
    EXPECT_GT(timer.elapsed(), 400);
    first.join();
}
