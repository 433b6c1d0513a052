#include "Sound.h"

#include <atomic>

namespace platform {

namespace {

class SilentSound : public SoundOutput
{
public:
    bool playFile(const QString&) override { return false; }
    bool playBuiltIn(const QString&) override { return false; }
    void setVolume(uint32_t) override {}
};

class SilentSpeech : public SpeechOutput
{
public:
    void speak(const QString&) override {}
    void setVolume(uint32_t) override {}
};

SilentSound g_silentSound;
SilentSpeech g_silentSpeech;
std::atomic<SoundOutput*> g_sound{nullptr};
std::atomic<SpeechOutput*> g_speech{nullptr};

} // namespace

SoundOutput& soundOutput()
{
    SoundOutput* output = g_sound.load();
    return output ? *output : g_silentSound;
}

SpeechOutput& speechOutput()
{
    SpeechOutput* output = g_speech.load();
    return output ? *output : g_silentSpeech;
}

void setSoundOutput(SoundOutput* output)
{
    g_sound = output;
}

void setSpeechOutput(SpeechOutput* output)
{
    g_speech = output;
}

void setOutputVolume(uint32_t level)
{
    soundOutput().setVolume(level);
    speechOutput().setVolume(level);
}

} // namespace platform
