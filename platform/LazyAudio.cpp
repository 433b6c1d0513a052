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

} // namespace

LazySoundOutput::LazySoundOutput(Factory factory) : m_factory(std::move(factory)) {}

LazySoundOutput::~LazySoundOutput() = default;

SoundOutput& LazySoundOutput::output()
{
    return makeOnce(m_lock, m_owned, m_output, m_factory, m_volume);
}

bool LazySoundOutput::playFile(const QString& path)
{
    return output().playFile(path);
}

bool LazySoundOutput::playBuiltIn(const QString& name)
{
    return output().playBuiltIn(name);
}

bool LazySoundOutput::hasDevice()
{
    return output().hasDevice();
}

void LazySoundOutput::setVolume(uint32_t level)
{
    std::lock_guard guard(m_lock);
    m_volume = level;
    if (SoundOutput* made = m_output.load())
        made->setVolume(level);
}

LazySpeechOutput::LazySpeechOutput(Factory factory) : m_factory(std::move(factory)) {}

LazySpeechOutput::~LazySpeechOutput() = default;

SpeechOutput& LazySpeechOutput::output()
{
    return makeOnce(m_lock, m_owned, m_output, m_factory, m_volume);
}

void LazySpeechOutput::speak(const QString& text)
{
    output().speak(text);
}

bool LazySpeechOutput::hasVoice()
{
    return output().hasVoice();
}

void LazySpeechOutput::setVolume(uint32_t level)
{
    std::lock_guard guard(m_lock);
    m_volume = level;
    if (SpeechOutput* made = m_output.load())
        made->setVolume(level);
}

} // namespace platform
