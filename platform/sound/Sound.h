#pragma once

#include <QString>

#include <cstdint>

namespace platform {

// Plays one sound at a time: a new sound cuts off the one playing.
class SoundOutput
{
public:
    virtual ~SoundOutput() = default;
    // A WAV file; false when it is missing or cannot be played.
    virtual bool playFile(const QString& path) = 0;
    // A built-in sound by its name ("IDW_UP" …); false when there is none.
    virtual bool playBuiltIn(const QString& name) = 0;
    // 0 (silent) to 65535 (full).
    virtual void setVolume(uint32_t level) = 0;
    // Whether a sound could be heard now: asks the sound server.
    virtual bool hasDevice() { return true; }
};

// Speaks texts.
class SpeechOutput
{
public:
    virtual ~SpeechOutput() = default;
    // Returns when the text has been spoken (or could not be).
    virtual void speak(const QString& text) = 0;
    virtual void setVolume(uint32_t level) = 0;
    // Whether a text could be heard now: asks the sound server.
    virtual bool hasDevice() { return true; }
    // Whether a voice could be set up; asks no server.
    virtual bool hasVoice() { return true; }
};

// The installed outputs; without any, sounds and speech are silently dropped.
SoundOutput& soundOutput();
SpeechOutput& speechOutput();
// Install outputs (not owned); nullptr restores the silent ones.
void setSoundOutput(SoundOutput* output);
void setSpeechOutput(SpeechOutput* output);

// The process-wide volume, for sounds and speech alike.
void setOutputVolume(uint32_t level);

} // namespace platform
