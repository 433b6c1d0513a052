#include "core/SoundThread.h"
#include "core/Workers.h"

#include "platform/sound/Sound.h"

#include "TestSupport.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtEndian>

#include <gtest/gtest.h>

#include <mutex>
#include <utility>

// Readable failure messages for Qt string lists.
static void PrintTo(const QStringList& list, std::ostream* out)
{
    *out << '[';
    for (qsizetype i = 0; i < list.size(); ++i)
        *out << (i ? ", " : "") << '"' << list[i].toStdString() << '"';
    *out << ']';
}

namespace {

using test::RecordingSound;
using test::RecordingSpeech;

class SoundThread : public ::testing::Test
{
protected:
    SoundThread()
    {
        platform::setSoundOutput(&sound);
        platform::setSpeechOutput(&speech);
    }
    ~SoundThread() override
    {
        platform::setSoundOutput(nullptr);
        platform::setSpeechOutput(nullptr);
    }

    RecordingSound sound;
    RecordingSpeech speech;
};

} // namespace

TEST_F(SoundThread, PlaysTheBuiltInSoundOfTheStatus)
{
    const struct
    {
        int status;
        const char* sound; // nullptr: none
    } cases[] = {
        {STATUS_DOWN, "IDW_DOWN"},
        {STATUS_CLOSE, "IDW_DOWN"},
        {STATUS_UP, "IDW_UP"},
        {STATUS_NET_ERROR, "IDW_COMPERROR"},
        {STATUS_IP_ERROR, "IDW_COMPERROR"},
        {STATUS_VOLUME_TEST, "IDW_VOLTEST"},
        {STATUS_UNKNOWN, nullptr},
        {STATUS_CHECKING, nullptr},
        {STATUS_DISABLED, nullptr},
        {3, nullptr},
        {8, nullptr},
        {101, nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.status);
        CSoundThread thread;
        thread.m_nStatus = c.status;
        thread.m_bCustomSound = 0;
        thread.m_strSoundFile = QStringLiteral("/nonexistent/custom.wav");
        thread.m_strSpeechText = QStringLiteral("%name is Down");
        thread.m_strBoxName = QStringLiteral("Web");
        thread.InitInstance();
        EXPECT_EQ(sound.take(), c.sound
                                    ? QStringList{QStringLiteral("builtin:") + QString::fromLatin1(c.sound)}
                                    : QStringList());
        EXPECT_EQ(speech.take(), QStringList());
    }
}

TEST_F(SoundThread, SpeechWinsOverEverySound)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString existing = dir.filePath(QStringLiteral("beep.wav"));
    test::writeFile(existing, "RIFF");

    const struct
    {
        int status;
        int custom;
        const char* text;
        const char* name;
        const char* spoken;
    } cases[] = {
        {STATUS_DOWN, 0, "%name is Down", "Web", "Web is Down"},
        {STATUS_UP, 0, "%text is Up", "Web", "Web is Up"},
        {STATUS_UP, 1, "%name and %text", "Mail Server", "Mail Server and Mail Server"},
        {STATUS_CLOSE, 2, "closed", "Web", "closed"},
        {STATUS_NET_ERROR, 0, "%NAME %Text", "Web", "%NAME %Text"},
        // Nothing to say: the speech stays silent and no sound stands in.
        {STATUS_DOWN, 0, "", "Web", ""},
        {STATUS_UP, 1, "", "Web", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        CSoundThread thread;
        thread.m_nStatus = c.status;
        thread.m_bCustomSound = c.custom;
        thread.m_strSoundFile = existing;
        thread.m_bSpeak = 1;
        thread.m_strSpeechText = QString::fromUtf8(c.text);
        thread.m_strBoxName = QString::fromUtf8(c.name);
        thread.InitInstance();
        EXPECT_EQ(speech.take(), QStringList{QString::fromUtf8(c.spoken)});
        EXPECT_EQ(sound.take(), QStringList());
    }
}

TEST_F(SoundThread, CustomSoundsPlayTheirFileOrNothing)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString existing = dir.filePath(QStringLiteral("my sound.wav"));
    test::writeFile(existing, "RIFF");
    const QString missing = dir.filePath(QStringLiteral("gone.wav"));

    const struct
    {
        int custom;
        int status;
        QString file;
        QStringList played;
    } cases[] = {
        {1, STATUS_DOWN, existing, {QStringLiteral("file:") + existing}},
        {1, STATUS_UP, existing, {QStringLiteral("file:") + existing}},
        // A missing file plays nothing, not the built-in sound.
        {1, STATUS_DOWN, missing, {}},
        {1, STATUS_UP, QString(), {}},
        // No sound at all.
        {2, STATUS_DOWN, existing, {}},
        {2, STATUS_UP, missing, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::Message()
                     << "custom " << c.custom << ", status " << c.status << ", " << c.file.toStdString());
        CSoundThread thread;
        thread.m_nStatus = c.status;
        thread.m_bCustomSound = c.custom;
        thread.m_strSoundFile = c.file;
        thread.InitInstance();
        EXPECT_EQ(sound.take(), c.played);
        EXPECT_EQ(speech.take(), QStringList());
    }
}

TEST_F(SoundThread, BeginRunsOnAWorker)
{
    auto up = std::make_unique<CSoundThread>();
    up->m_nStatus = STATUS_UP;
    CSoundThread::Begin(std::move(up));
    auto speak = std::make_unique<CSoundThread>();
    speak->m_bSpeak = 1;
    speak->m_strSpeechText = QStringLiteral("%name is Down");
    speak->m_strBoxName = QStringLiteral("Web");
    CSoundThread::Begin(std::move(speak));
    ASSERT_TRUE(waitForWorkers(10000));
    EXPECT_EQ(sound.take(), QStringList{QStringLiteral("builtin:IDW_UP")});
    EXPECT_EQ(speech.take(), QStringList{QStringLiteral("Web is Down")});
}

// The built-in sounds are resources of the program, plain 16-bit stereo PCM.
TEST(BuiltInSounds, AreStereo16BitPcmWaves)
{
    const struct
    {
        const char* name;
        uint32_t rate;
        double seconds;
    } cases[] = {
        {"IDW_UP", 44100, 0.27},
        {"IDW_DOWN", 44100, 0.27},
        {"IDW_COMPERROR", 44100, 0.8},
        {"IDW_VOLTEST", 48000, 2.8},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        QFile file(QStringLiteral(":/sounds/%1.wav").arg(QString::fromLatin1(c.name)));
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        const QByteArray wav = file.readAll();
        ASSERT_GE(wav.size(), 44);
        EXPECT_EQ(wav.left(4), "RIFF");
        EXPECT_EQ(qFromLittleEndian<uint32_t>(wav.constData() + 4), uint32_t(wav.size() - 8));
        EXPECT_EQ(wav.mid(8, 4), "WAVE");

        // Walk the chunks for "fmt " and "data".
        qsizetype pos = 12;
        QByteArray format;
        qsizetype dataSize = -1;
        while (pos + 8 <= wav.size()) {
            const QByteArray id = wav.mid(pos, 4);
            const uint32_t size = qFromLittleEndian<uint32_t>(wav.constData() + pos + 4);
            ASSERT_LE(pos + 8 + qsizetype(size), wav.size()) << id.toStdString();
            if (id == "fmt ")
                format = wav.mid(pos + 8, size);
            else if (id == "data")
                dataSize = size;
            pos += 8 + size + (size & 1);
        }
        ASSERT_GE(format.size(), 16);
        ASSERT_GT(dataSize, 0);
        const char* f = format.constData();
        EXPECT_EQ(qFromLittleEndian<uint16_t>(f), 1); // PCM
        EXPECT_EQ(qFromLittleEndian<uint16_t>(f + 2), 2);
        EXPECT_EQ(qFromLittleEndian<uint32_t>(f + 4), c.rate);
        EXPECT_EQ(qFromLittleEndian<uint32_t>(f + 8), c.rate * 4);
        EXPECT_EQ(qFromLittleEndian<uint16_t>(f + 12), 4);
        EXPECT_EQ(qFromLittleEndian<uint16_t>(f + 14), 16);
        EXPECT_EQ(dataSize % 4, 0);
        EXPECT_NEAR(double(dataSize) / (c.rate * 4.0), c.seconds, 0.02);
    }
}

// A test the user starts says why nothing can be heard, and plays nothing; a
// notification with the same request stays silent.
TEST_F(SoundThread, TestsSayWhyNothingCanBeHeard)
{
    QTemporaryDir dir;
    const QString wav = dir.filePath(QStringLiteral("up.wav"));
    test::writeFile(wav, "RIFF");
    test::writeFile(dir.filePath("song.mp3"), "ID3");
    // custom, file, text spoken, device, voice, what the message says ("": none)
    const std::tuple<int, QString, QString, bool, bool, const char*> cases[] = {
        {1, wav, "", 1, 1, ""},
        {1, wav + "x", "", 1, 1, "no such file"},
        {1, "", "", 1, 1, "No sound file"},
        {1, dir.path(), "", 1, 1, "a folder"},
        {1, dir.filePath("song.mp3"), "", 1, 1, "not a WAV"},
        {1, wav, "", 0, 1, "No sound output"},
        {0, "", "", 0, 1, "No sound output"},
        {2, wav, "", 0, 1, ""},
        {0, "", "Up", 1, 0, "libflite1"},
        {0, "", "Up", 0, 1, "No sound output"},
    };
    for (const auto& [custom, file, text, device, voice, says] : cases) {
        for (const bool test : {true, false}) {
            test::RecordingMessageBoxes boxes;
            sound.device = speech.device = device;
            speech.voice = voice;
            sound.looks = speech.looks = 0;
            CSoundThread thread;
            thread.m_bTellFailure = test;
            thread.m_bCustomSound = custom;
            thread.m_strSoundFile = file;
            thread.m_bSpeak = !text.isEmpty();
            thread.m_strSpeechText = text;
            thread.InitInstance();
            const bool told = test && *says;
            const QString shown = boxes.shown.empty() ? QString() : boxes.shown[0].text;
            EXPECT_TRUE(told ? boxes.shown.size() == 1 && shown.contains(says) : boxes.shown.empty())
                << file.toStdString() << text.toStdString() << test << shown.toStdString();
            EXPECT_TRUE(!told || sound.take().size() + speech.take().size() == 0);
            // A test asks the server once, a notification never.
            EXPECT_EQ(sound.looks + speech.looks, test ? 1 : 0);
            sound.take(), speech.take();
        }
    }
}
