#include "platform/sound/ServerAudio.h"

#include "TestSupport.h"
#include "platform/sound/WavFile.h"

#include <QElapsedTimer>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

using platform::FliteSpeechOutput;
using platform::ServerSoundOutput;

namespace {

bool serverAnswers()
{
    return platform::soundServerAnswers(std::chrono::seconds(1));
}

struct WavForm
{
    int format = 1; // 1 integer, 3 float, 0xFFFE extensible (integer)
    int channels = 1;
    int bits = 16;
    bool bigEndian = false;
};

// A WAV file with a chunk before "fmt " (of odd size), then the data.
QByteArray wavFile(const WavForm& form, const QByteArray& data)
{
    const auto number = [&](uint64_t value, int size) {
        QByteArray bytes;
        for (int i = 0; i < size; ++i)
            bytes.append(char((value >> (8 * (form.bigEndian ? size - 1 - i : i))) & 0xFF));
        return bytes;
    };
    const int frame = form.channels * form.bits / 8;
    QByteArray fmt = number(uint16_t(form.format), 2) + number(form.channels, 2) + number(8000, 4) +
                     number(8000 * frame, 4) + number(frame, 2) + number(form.bits, 2);
    if (form.format == 0xFFFE)
        fmt += number(22, 2) + number(form.bits, 2) + number(0, 4) + number(1, 2) + QByteArray(14, '\0');
    const QByteArray body = "WAVE" + QByteArray("LIST") + number(1, 4) + "x" + '\0' + "fmt " +
                            number(fmt.size(), 4) + fmt + "data" + number(data.size(), 4) + data;
    return (form.bigEndian ? "RIFX" : "RIFF") + number(body.size(), 4) + body;
}

} // namespace

// Every sample form a WAV file may hold reads as the same values; what is no
// WAV sound reads as nothing.
TEST(ServerAudio, WavFilesReadAsTheirSamples)
{
    const float single[] = {0.5f, -0.25f};
    const double twice[] = {0.5, -0.25};
    const QByteArray sixteen("\x00\x40\x00\xE0", 4);
    const struct
    {
        const char* name;
        QByteArray file;
        std::vector<float> samples; // empty: not readable
    } cases[] = {
        {"8-bit", wavFile({1, 2, 8}, "\xC0\x60"), {0.5f, -0.25f}},
        {"16-bit", wavFile({1, 1, 16}, sixteen), {0.5f, -0.25f}},
        {"16-bit big-endian", wavFile({1, 1, 16, true}, QByteArray("\x40\x00\xE0\x00", 4)), {0.5f, -0.25f}},
        {"24-bit", wavFile({1, 1, 24}, QByteArray("\x00\x00\x40\x00\x00\xE0", 6)), {0.5f, -0.25f}},
        {"32-bit", wavFile({1, 2, 32}, QByteArray("\0\0\0\x40\0\0\0\xE0", 8)), {0.5f, -0.25f}},
        {"float", wavFile({3, 1, 32}, QByteArray(reinterpret_cast<const char*>(single), 8)), {0.5f, -0.25f}},
        {"double", wavFile({3, 1, 64}, QByteArray(reinterpret_cast<const char*>(twice), 16)), {0.5f, -0.25f}},
        {"extensible", wavFile({0xFFFE, 1, 16}, sixteen), {0.5f, -0.25f}},
        {"cut short", wavFile({1, 1, 16}, sixteen).chopped(1), {0.5f}},
        {"not a WAV", QByteArray("ID3\x03") + QByteArray(60, '\0'), {}},
        {"12-bit", wavFile({1, 1, 12}, sixteen), {}},
        {"no sound", wavFile({1, 1, 16}, QByteArray()), {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::optional<platform::Pcm> pcm = platform::readWav(c.file);
        EXPECT_EQ(pcm ? pcm->samples : std::vector<float>(), c.samples);
    }
}

// Unknown sounds, and files that are no WAV sound, are refused on any
// machine, with or without a server.
TEST(ServerAudio, RefusesSoundsThatCannotBePlayed)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    test::writeFile(dir.filePath(QStringLiteral("song.mp3")), "ID3");
    ServerSoundOutput output;
    EXPECT_FALSE(output.playBuiltIn(QStringLiteral("NOPE")));
    EXPECT_FALSE(output.playBuiltIn(QString()));
    EXPECT_FALSE(output.playFile(dir.filePath(QStringLiteral("missing.wav"))));
    EXPECT_FALSE(output.playFile(dir.filePath(QStringLiteral("song.mp3"))));
    EXPECT_FALSE(output.playFile(dir.path())); // a folder is no sound
    EXPECT_FALSE(output.playFile(QString()));
}

TEST(ServerAudio, BuiltInSoundReachesTheServer)
{
    if (!serverAnswers())
        GTEST_SKIP() << "no sound server answers on this machine: the sound cannot be played";
    ServerSoundOutput output;
    output.setVolume(0); // silent, but played all the same
    ASSERT_TRUE(output.playBuiltIn(QStringLiteral("IDW_UP")));
    EXPECT_TRUE(test::waitFor([&] { return output.playedCount() > 0; }));
}

TEST(ServerAudio, SpeechThroughFliteReturnsOnceSpoken)
{
    if (!serverAnswers())
        GTEST_SKIP() << "no sound server answers on this machine";
    QElapsedTimer timer;
    timer.start();
    FliteSpeechOutput speech;
    ASSERT_TRUE(speech.hasVoice());
    speech.setVolume(0);
    speech.speak(QStringLiteral("Web is Down"));
    EXPECT_EQ(speech.heardCount(), 1);
    // speak() waits for the end of the text, but never without bound.
    EXPECT_LT(timer.elapsed(), 20000);
    // Nothing to say is no utterance.
    speech.speak(QString());
    speech.speak(QStringLiteral("   "));
    EXPECT_EQ(speech.spokenCount(), 1);
}

// A text is spoken in full: the next one waits for its end instead of cutting
// it off, and then is spoken in full itself.
TEST(ServerAudio, SpeechIsNotCutOffByTheNextText)
{
    if (!serverAnswers())
        GTEST_SKIP() << "no sound server answers on this machine";
    FliteSpeechOutput speech;
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
    // 300 ms; the second only after it, and in full.
    EXPECT_GT(firstMs, sentenceMs / 2) << sentenceMs << " ms alone";
    EXPECT_GT(bothMs, firstMs + 400) << firstMs << " ms for the first";
    EXPECT_EQ(speech.spokenCount(), 3);
    EXPECT_EQ(speech.heardCount(), 3);
}
