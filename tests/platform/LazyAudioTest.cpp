// Sound and speech outputs that are made on first use.
#include "TestSupport.h"

#include "platform/LazyAudio.h"
#include "platform/QtAudio.h"

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

} // namespace
