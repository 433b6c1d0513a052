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
//
// Where `ready` is given, the real one is made only once it answers true:
// it is asked with true where the user waits for the answer (a test asks
// whether there is a device or a voice), else with false. Until then sounds
// and texts are dropped.
using OutputReady = std::function<bool(bool asked)>;

class LazySoundOutput : public SoundOutput
{
public:
    using Factory = std::function<std::unique_ptr<SoundOutput>()>;
    explicit LazySoundOutput(Factory factory, OutputReady ready = {});
    ~LazySoundOutput() override;
    bool playFile(const QString& path) override;
    bool playBuiltIn(const QString& name) override;
    void setVolume(uint32_t level) override;
    bool hasDevice() override;
    // The real output, once made; nullptr before.
    SoundOutput* made() const { return m_output.load(); }

private:
    SoundOutput& output();
    bool mayMake(bool asked);

    Factory m_factory;
    OutputReady m_ready;
    std::mutex m_lock; // held while the real output is made, and while the volume changes
    std::unique_ptr<SoundOutput> m_owned;
    std::atomic<SoundOutput*> m_output{nullptr};
    uint32_t m_volume = 65535;
};

class LazySpeechOutput : public SpeechOutput
{
public:
    using Factory = std::function<std::unique_ptr<SpeechOutput>()>;
    explicit LazySpeechOutput(Factory factory, OutputReady ready = {});
    ~LazySpeechOutput() override;
    void speak(const QString& text) override;
    void setVolume(uint32_t level) override;
    bool hasVoice() override;
    SpeechOutput* made() const { return m_output.load(); }

private:
    SpeechOutput& output();
    bool mayMake(bool asked);

    Factory m_factory;
    OutputReady m_ready;
    std::mutex m_lock;
    std::unique_ptr<SpeechOutput> m_owned;
    std::atomic<SpeechOutput*> m_output{nullptr};
    uint32_t m_volume = 65535;
};

} // namespace platform
