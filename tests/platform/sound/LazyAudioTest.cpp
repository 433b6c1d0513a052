// Sound and speech outputs that are made on first use.
#include "TestSupport.h"

#include "platform/sound/LazyAudio.h"
#include "platform/sound/QtAudio.h"
#include "platform/sound/SoundServer.h"

#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

namespace {

struct FakeSound : platform::SoundOutput
{
    bool playFile(const QString&) override { return ++played, true; }
    bool playBuiltIn(const QString&) override { return ++played, true; }
    void setVolume(uint32_t level) override { volume = level; }
    std::atomic<int> played{0};
    uint32_t volume = 0;
};

struct FakeSpeech : platform::SpeechOutput
{
    void speak(const QString&) override { ++spoken; }
    void setVolume(uint32_t level) override { volume = level; }
    std::atomic<int> spoken{0};
    uint32_t volume = 0;
};

TEST(LazyAudio, NothingIsMadeUntilTheFirstSoundAndTheVolumeGoesWithIt)
{
    const struct
    {
        const char* name;
        std::function<void(platform::SoundOutput&)> first;
    } cases[] = {{"file", [](platform::SoundOutput& s) { EXPECT_TRUE(s.playFile("a.wav")); }},
                 {"built-in", [](platform::SoundOutput& s) { EXPECT_TRUE(s.playBuiltIn("IDW_UP")); }}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        int made = 0;
        platform::LazySoundOutput sound([&] {
            ++made;
            return std::make_unique<FakeSound>();
        });
        sound.setVolume(1234);
        EXPECT_EQ(made, 0);
        EXPECT_EQ(sound.made(), nullptr);
        c.first(sound);
        auto* real = static_cast<FakeSound*>(sound.made());
        ASSERT_NE(real, nullptr);
        EXPECT_EQ(real->volume, 1234u);
        EXPECT_EQ(real->played, 1);
        sound.setVolume(99);
        EXPECT_EQ(real->volume, 99u);
        EXPECT_EQ(made, 1);
    }
}

TEST(LazyAudio, SpeechIsMadeOnceWhateverThreadsSpeakFirst)
{
    std::atomic<int> made{0};
    platform::LazySpeechOutput speech([&] {
        ++made;
        return std::make_unique<FakeSpeech>();
    });
    speech.setVolume(500);
    EXPECT_EQ(made, 0);
    std::vector<std::thread> speakers;
    for (int i = 0; i < 8; ++i)
        speakers.emplace_back([&] { speech.speak(QStringLiteral("Box is up")); });
    for (auto& t : speakers)
        t.join();
    EXPECT_EQ(made, 1);
    auto* real = static_cast<FakeSpeech*>(speech.made());
    ASSERT_NE(real, nullptr);
    EXPECT_EQ(real->spoken, 8);
    EXPECT_EQ(real->volume, 500u);
}

TEST(LazyAudio, TheRealSoundIsMadeByAWorkerAndOutlivesIt)
{
    if (!platform::QtSoundOutput::hasAudioOutput())
        GTEST_SKIP() << "no audio output device on this machine: the sound cannot be played";
    platform::LazySoundOutput sound([] { return std::make_unique<platform::QtSoundOutput>(); });
    std::thread([&] { EXPECT_TRUE(sound.playBuiltIn(QStringLiteral("IDW_UP"))); }).join();
    auto* real = static_cast<platform::QtSoundOutput*>(sound.made());
    ASSERT_NE(real, nullptr);
    EXPECT_TRUE(test::waitFor([&] { return real->startedCount() > 0; }, 5000));
}

// The outputs wait for the sound server: a test looks for it every time, a
// notification at most every 5 s; once found, it is not looked for again.
TEST(LazyAudio, NothingIsMadeUntilTheSoundServerIsFound)
{
    using std::chrono::seconds;
    int looks = 0, made = 0;
    bool running = false;
    seconds at{0};
    platform::SoundServerWatch server([&] { return ++looks, running; });
    const auto ready = [&](bool asked) {
        return server.found(asked, std::chrono::steady_clock::time_point() + at);
    };
    platform::LazySoundOutput sound([&] { return ++made, std::make_unique<FakeSound>(); }, ready);
    const struct
    {
        int at;
        bool running, test, heard;
        int looks;
    } steps[] = {
        {0, false, false, false, 1}, {2, false, false, false, 1}, {3, false, true, false, 2},
        {4, true, false, false, 2},  {8, true, false, true, 3},   {9, false, true, true, 3},
    };
    for (const auto& step : steps) {
        SCOPED_TRACE(step.at);
        at = seconds(step.at);
        running = step.running;
        EXPECT_EQ(step.test ? sound.hasDevice() : sound.playBuiltIn("IDW_UP"), step.heard);
        EXPECT_EQ(looks, step.looks);
        EXPECT_EQ(made, step.heard ? 1 : 0);
    }
    // Without a server no voice is set up: the missing output is what is told.
    platform::LazySpeechOutput speech([] { return std::make_unique<FakeSpeech>(); },
                                      [](bool) { return false; });
    speech.speak("Box is up");
    EXPECT_TRUE(speech.hasVoice());
    EXPECT_EQ(speech.made(), nullptr);
}

// A server started after the program is found where Qt Multimedia would
// find it, and one that is not there is not.
TEST(LazyAudio, ASoundServerStartedLaterIsFound)
{
    const QString daemon = QStandardPaths::findExecutable("pulseaudio");
    if (daemon.isEmpty())
        GTEST_SKIP() << "pulseaudio is not installed";
    QTemporaryDir runtime;
    const QByteArray before = qgetenv("PULSE_SERVER");
    qputenv("PULSE_SERVER", "unix:" + QFile::encodeName(runtime.filePath("native")));
    const bool without = platform::soundServerAnswers(std::chrono::seconds(2));
    QProcess server;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("PULSE_RUNTIME_PATH", runtime.path());
    server.setProcessEnvironment(environment);
    server.start(daemon,
                 {"--daemonize=no", "--exit-idle-time=-1", "-n", "--load=module-native-protocol-unix"});
    const bool found = test::waitFor([] { return platform::soundServerAnswers(std::chrono::seconds(2)); });
    server.kill();
    server.waitForFinished();
    before.isEmpty() ? qunsetenv("PULSE_SERVER") : qputenv("PULSE_SERVER", before);
    EXPECT_FALSE(without);
    EXPECT_TRUE(found);
}

} // namespace
