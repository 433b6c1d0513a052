#pragma once

#include "Sound.h"

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>

namespace platform {

// Outputs that set up the real one, with the libraries and engines it loads,
// only when a sound is first played or a text first spoken: a program whose
// boxes never sound pays nothing for them. A volume set before then is
// handed over when the real one is made. Safe to call from any thread.
class LazySoundOutput : public SoundOutput
{
public:
    using Factory = std::function<std::unique_ptr<SoundOutput>()>;
    explicit LazySoundOutput(Factory factory);
    ~LazySoundOutput() override;
    bool playFile(const QString& path) override;
    bool playBuiltIn(const QString& name) override;
    void setVolume(uint32_t level) override;
    bool hasDevice() override;
    // The real output, once made; nullptr before.
    SoundOutput* made() const { return m_output.load(); }

private:
    SoundOutput& output();

    Factory m_factory;
    std::mutex m_lock; // held while the real output is made, and while the volume changes
    std::unique_ptr<SoundOutput> m_owned;
    std::atomic<SoundOutput*> m_output{nullptr};
    uint32_t m_volume = 65535;
};

class LazySpeechOutput : public SpeechOutput
{
public:
    using Factory = std::function<std::unique_ptr<SpeechOutput>()>;
    explicit LazySpeechOutput(Factory factory);
    ~LazySpeechOutput() override;
    void speak(const QString& text) override;
    void setVolume(uint32_t level) override;
    bool hasVoice() override;
    SpeechOutput* made() const { return m_output.load(); }

private:
    SpeechOutput& output();

    Factory m_factory;
    std::mutex m_lock;
    std::unique_ptr<SpeechOutput> m_owned;
    std::atomic<SpeechOutput*> m_output{nullptr};
    uint32_t m_volume = 65535;
};

} // namespace platform
