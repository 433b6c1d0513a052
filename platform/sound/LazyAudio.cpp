#include "LazyAudio.h"

namespace platform {

namespace {

// Makes the real output under the lock, once; the volume goes with it.
template <class Output, class Factory>
Output& makeOnce(std::mutex& lock, std::unique_ptr<Output>& owned, std::atomic<Output*>& output,
                 const Factory& factory, const uint32_t& volume)
{
    if (Output* made = output.load())
        return *made;
    std::lock_guard guard(lock);
    if (!output.load()) {
        owned = factory();
        owned->setVolume(volume);
        output = owned.get();
    }
    return *output.load();
}

template <class Output>
bool mayMakeOutput(const std::atomic<Output*>& output, const OutputReady& ready, bool asked)
{
    return output.load() || !ready || ready(asked);
}

} // namespace

LazySoundOutput::LazySoundOutput(Factory factory, OutputReady ready)
    : m_factory(std::move(factory)), m_ready(std::move(ready))
{
}

bool LazySoundOutput::mayMake(bool asked)
{
    return mayMakeOutput(m_output, m_ready, asked);
}

LazySoundOutput::~LazySoundOutput() = default;

SoundOutput& LazySoundOutput::output()
{
    return makeOnce(m_lock, m_owned, m_output, m_factory, m_volume);
}

bool LazySoundOutput::playFile(const QString& path)
{
    return mayMake(false) && output().playFile(path);
}

bool LazySoundOutput::playBuiltIn(const QString& name)
{
    return mayMake(false) && output().playBuiltIn(name);
}

bool LazySoundOutput::hasDevice()
{
    return mayMake(true) && output().hasDevice();
}

void LazySoundOutput::setVolume(uint32_t level)
{
    std::lock_guard guard(m_lock);
    m_volume = level;
    if (SoundOutput* made = m_output.load())
        made->setVolume(level);
}

LazySpeechOutput::LazySpeechOutput(Factory factory, OutputReady ready)
    : m_factory(std::move(factory)), m_ready(std::move(ready))
{
}

bool LazySpeechOutput::mayMake(bool asked)
{
    return mayMakeOutput(m_output, m_ready, asked);
}

LazySpeechOutput::~LazySpeechOutput() = default;

SpeechOutput& LazySpeechOutput::output()
{
    return makeOnce(m_lock, m_owned, m_output, m_factory, m_volume);
}

void LazySpeechOutput::speak(const QString& text)
{
    if (mayMake(false))
        output().speak(text);
}

bool LazySpeechOutput::hasVoice()
{
    // Not ready, the voice cannot be set up to be asked: what is missing
    // then is the sound output, which the sound output's test tells.
    return !mayMake(true) || output().hasVoice();
}

void LazySpeechOutput::setVolume(uint32_t level)
{
    std::lock_guard guard(m_lock);
    m_volume = level;
    if (SpeechOutput* made = m_output.load())
        made->setVolume(level);
}

} // namespace platform
