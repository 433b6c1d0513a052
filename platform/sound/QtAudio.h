#pragma once

#include "Sound.h"
#include "SpeechQueue.h"

#include <QThread>

#include <atomic>
#include <memory>

class QSoundEffect;
class QTextToSpeech;

namespace platform {

// Sounds through Qt Multimedia and speech through Qt TextToSpeech (the flite
// engine, which needs no daemon). Both need an event loop, so each has a
// thread of its own; requests are handed over to them.
class QtSoundOutput : public SoundOutput
{
public:
    QtSoundOutput();
    ~QtSoundOutput() override;
    bool playFile(const QString& path) override;
    bool playBuiltIn(const QString& name) override;
    void setVolume(uint32_t level) override;
    bool hasDevice() override;

    // Sounds that reached the audio device, for checking the back end.
    int startedCount() const { return m_started; }
    static bool hasAudioOutput();

private:
    void play(const QUrl& source);

    QThread m_thread;
    QSoundEffect* m_effect = nullptr; // lives on m_thread
    std::atomic<double> m_volume{1.0};
    std::atomic<int> m_started{0};
};

// Speech through the flite voice on a thread of its own. Texts of several
// boxes are all heard: each is spoken in full, one after another, in the
// order they came (SpeechQueue); speak() returns when its own text has been
// spoken.
class QtSpeechOutput : public SpeechOutput
{
public:
    QtSpeechOutput();
    ~QtSpeechOutput() override;
    void speak(const QString& text) override;
    void setVolume(uint32_t level) override;
    bool hasVoice() override { return m_available; }

    // False when no speech engine could be set up.
    bool isAvailable() const { return m_available; }
    // Texts handed to the voice.
    int spokenCount() const { return m_spoken; }
    // Texts dropped because too many were waiting.
    int droppedCount() const;

private:
    class Engine;

    QThread m_thread;
    QTextToSpeech* m_speech = nullptr; // lives on m_thread
    std::atomic<bool> m_available{false};
    std::atomic<double> m_volume{1.0};
    std::atomic<int> m_spoken{0};
    std::unique_ptr<Engine> m_engine;
    std::unique_ptr<SpeechQueue> m_queue;
};

} // namespace platform
