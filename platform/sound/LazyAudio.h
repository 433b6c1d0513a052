#pragma once

#include "Sound.h"

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>

namespace platform {

// Where `ready` is given, it is asked before every sound and text whether
// the sound server answers: with true where the user waits for the answer
// (a test press), else with false. While it does not, sounds and texts are
// skipped.
using OutputReady = std::function<bool(bool asked)>;

// An output that sets up the real one, with the libraries and voices it
// loads, only when it is first used while the server answers: a program
// whose boxes never sound pays nothing for them. A volume set before then is
// handed over when the real one is made. Safe to call from any thread.
template <class Output> class Lazy
{
public:
    using Factory = std::function<std::unique_ptr<Output>()>;
    explicit Lazy(Factory factory, OutputReady ready = {})
        : m_factory(std::move(factory)), m_ready(std::move(ready))
    {
    }

    // The real output, made on first use; nullptr while the server does not
    // answer (looked for as `asked` says).
    Output* use(bool asked)
    {
        if (m_ready && !m_ready(asked))
            return nullptr;
        if (Output* made = m_made.load())
            return made;
        std::lock_guard guard(m_lock);
        if (!m_owned) {
            m_owned = m_factory();
            m_owned->setVolume(m_volume);
            m_made = m_owned.get();
        }
        return m_owned.get();
    }
    void keepVolume(uint32_t level)
    {
        std::lock_guard guard(m_lock);
        m_volume = level;
        if (m_owned)
            m_owned->setVolume(level);
    }
    // The real output, once made; nullptr before.
    Output* made() const { return m_made.load(); }

private:
    Factory m_factory;
    OutputReady m_ready;
    std::mutex m_lock; // held while the real output is made, and while the volume changes
    std::unique_ptr<Output> m_owned;
    std::atomic<Output*> m_made{nullptr};
    uint32_t m_volume = 65535;
};

class LazySoundOutput final : public SoundOutput, public Lazy<SoundOutput>
{
public:
    using Lazy::Lazy;
    bool playFile(const QString& path) override
    {
        SoundOutput* output = use(false);
        return output && output->playFile(path);
    }
    bool playBuiltIn(const QString& name) override
    {
        SoundOutput* output = use(false);
        return output && output->playBuiltIn(name);
    }
    void setVolume(uint32_t level) override { keepVolume(level); }
    bool hasDevice() override { return use(true) != nullptr; }
};

class LazySpeechOutput final : public SpeechOutput, public Lazy<SpeechOutput>
{
public:
    using Lazy::Lazy;
    void speak(const QString& text) override
    {
        if (SpeechOutput* output = use(false))
            output->speak(text);
    }
    void setVolume(uint32_t level) override { keepVolume(level); }
    bool hasDevice() override { return use(true) != nullptr; }
    // Asks no server: where none answered, what is missing is the sound
    // output, which hasDevice() tells.
    bool hasVoice() override
    {
        SpeechOutput* output = made();
        return !output || output->hasVoice();
    }
};

} // namespace platform
