// Sound and speech outputs that are made on first use.
#include "TestSupport.h"

#include "platform/sound/LazyAudio.h"
#include "platform/sound/ServerAudio.h"
#include "platform/sound/SoundServer.h"

#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <atomic>
#include <memory>
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
    if (!platform::soundServerAnswers(std::chrono::seconds(1)))
        GTEST_SKIP() << "no sound server answers on this machine: the sound cannot be played";
    platform::LazySoundOutput sound([] { return std::make_unique<platform::ServerSoundOutput>(); });
    std::thread([&] { EXPECT_TRUE(sound.playBuiltIn(QStringLiteral("IDW_UP"))); }).join();
    auto* real = static_cast<platform::ServerSoundOutput*>(sound.made());
    ASSERT_NE(real, nullptr);
    EXPECT_TRUE(test::waitFor([&] { return real->playedCount() > 0; }, 5000));
}

// The outputs ask for the sound server before every sound: a test looks for
// it every time, a notification too while it was there at the last look,
// else at most every 5 s. What cannot be heard is skipped.
TEST(LazyAudio, SoundsWaitForTheServerAndFollowIt)
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
        {0, false, false, false, 1},  {2, false, false, false, 1},  {3, false, true, false, 2},
        {4, true, false, false, 2},   {8, true, false, true, 3},    {9, true, false, true, 4},
        {10, false, false, false, 5}, {11, false, false, false, 5}, {12, false, true, false, 6},
        {13, true, true, true, 7},
    };
    for (const auto& step : steps) {
        SCOPED_TRACE(step.at);
        at = seconds(step.at);
        running = step.running;
        EXPECT_EQ(step.test ? sound.hasDevice() : sound.playBuiltIn("IDW_UP"), step.heard);
        EXPECT_EQ(looks, step.looks);
        EXPECT_EQ(made, step.at >= 8 ? 1 : 0);
    }
    // Without a server no voice is set up: the missing output is what is told.
    platform::LazySpeechOutput speech([] { return std::make_unique<FakeSpeech>(); },
                                      [](bool) { return false; });
    speech.speak("Box is up");
    EXPECT_FALSE(speech.hasDevice());
    EXPECT_TRUE(speech.hasVoice());
    EXPECT_EQ(speech.made(), nullptr);
}

// A sound server of the test's own, in a folder of its own, that the test
// starts and kills; the process talks to it alone while it lives.
class OwnSoundServer
{
public:
    OwnSoundServer()
        : m_daemon(QStandardPaths::findExecutable("pulseaudio")), m_before(qgetenv("PULSE_SERVER"))
    {
        qputenv("PULSE_SERVER", "unix:" + QFile::encodeName(m_runtime.filePath("native")));
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("PULSE_RUNTIME_PATH", m_runtime.path());
        m_process.setProcessEnvironment(environment);
        m_process.setStandardOutputFile(QProcess::nullDevice());
        m_process.setStandardErrorFile(QProcess::nullDevice());
    }
    ~OwnSoundServer()
    {
        kill();
        m_before.isEmpty() ? qunsetenv("PULSE_SERVER") : qputenv("PULSE_SERVER", m_before);
    }
    bool installed() const { return !m_daemon.isEmpty(); }
    // True once it answers.
    bool start()
    {
        m_process.start(m_daemon,
                        {"--daemonize=no", "--exit-idle-time=-1", "-n", "--use-pid-file=no",
                         "--load=module-null-sink", "--load=module-native-protocol-unix srbchannel=no"});
        return test::waitFor([] { return platform::soundServerAnswers(std::chrono::seconds(2)); });
    }
    // Gone at once, as in a crash.
    void kill()
    {
        m_process.kill();
        m_process.waitForFinished();
    }

private:
    QString m_daemon;
    QByteArray m_before;
    QTemporaryDir m_runtime;
    QProcess m_process;
};

// A server that starts after the program is found, and one that goes away
// while sounds play and texts are spoken, over and over, is noticed and
// leaves nothing behind that breaks: once it is back, the program speaks.
TEST(LazyAudio, SoundAndSpeechFollowTheServerAsItGoesAndComesBack)
{
    OwnSoundServer server;
    if (!server.installed())
        GTEST_SKIP() << "pulseaudio is not installed";
    EXPECT_FALSE(platform::soundServerAnswers(std::chrono::seconds(2)));
    platform::SoundServerWatch watch([] { return platform::soundServerAnswers(std::chrono::seconds(2)); });
    const platform::OutputReady ready = [&watch](bool asked) {
        return watch.found(asked, std::chrono::steady_clock::now());
    };
    platform::LazySoundOutput sound([] { return std::make_unique<platform::ServerSoundOutput>(); }, ready);
    platform::LazySpeechOutput speech([] { return std::make_unique<platform::FliteSpeechOutput>(); }, ready);
    sound.setVolume(0);
    speech.setVolume(0);
    const auto heard = [&] {
        const auto* voice = static_cast<const platform::FliteSpeechOutput*>(speech.made());
        return voice ? voice->heardCount() : 0;
    };
    // Notifications of two boxes all the while, and test presses that say
    // when nothing can be heard.
    std::atomic<bool> stop{false};
    std::atomic<int> toldNone{0};
    std::vector<std::thread> boxes;
    // Stopped and joined however the test ends, before what they use goes.
    const auto joined = std::shared_ptr<void>(nullptr, [&](void*) {
        stop = true;
        for (std::thread& box : boxes)
            box.join();
    });
    boxes.emplace_back([&] {
        while (!stop) {
            sound.playBuiltIn(QStringLiteral("IDW_DOWN"));
            speech.speak(QStringLiteral("Web is Down"));
        }
    });
    boxes.emplace_back([&] {
        while (!stop) {
            if (speech.hasDevice()) {
                speech.speak(QStringLiteral("Mail is Up"));
            } else {
                ++toldNone;
                std::this_thread::sleep_for(std::chrono::milliseconds(20)); // pace the presses
            }
        }
    });
    for (int round = 0; round < 4; ++round) {
        SCOPED_TRACE(round);
        ASSERT_TRUE(server.start());
        const int before = heard();
        EXPECT_TRUE(test::waitFor([&] { return heard() > before; }, 20000)) << heard() << " heard";
        server.kill();
        const int told = toldNone;
        EXPECT_TRUE(test::waitFor([&] { return toldNone > told; }, 10000)) << toldNone << " told";
    }
    ASSERT_TRUE(server.start());
    const int before = heard();
    EXPECT_TRUE(test::waitFor([&] { return heard() > before; }, 20000));
    // The sounds look for the server between texts, each of which is waited
    // for: on a busy machine the first may come only now.
    EXPECT_TRUE(test::waitFor(
        [&] {
            const auto* played = static_cast<const platform::ServerSoundOutput*>(sound.made());
            return played && played->playedCount() > 0;
        },
        20000));
}

} // namespace
