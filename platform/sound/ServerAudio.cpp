#include "ServerAudio.h"

#include "WavFile.h"

#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <mutex>
#include <optional>
#include <vector>

extern "C" {
#include <flite/flite.h>

cst_voice* register_cmu_us_kal16(const char* voxdir);
void unregister_cmu_us_kal16(cst_voice* voice);
}

namespace platform {

namespace {

double linearVolume(uint32_t level)
{
    return double(std::min<uint32_t>(level, 65535)) / 65535.0;
}

} // namespace

struct Player::State
{
    struct Request
    {
        Make make;
        double volume = 1.0;
        Ended ended;
    };

    std::mutex lock;
    std::condition_variable changed;
    std::optional<Request> next;
    std::vector<Ended> unplayed; // replaced before they began
    std::atomic<uint64_t> handed{0};
    std::atomic<bool> stop{false};
    bool finished = false;
    bool abandoned = false; // its owner stopped waiting for it and is gone

    void run()
    {
        for (;;) {
            Request request;
            uint64_t mine = 0;
            std::vector<Ended> dropped;
            {
                std::unique_lock guard(lock);
                changed.wait(guard, [this] { return stop || next; });
                if (stop)
                    break;
                request = std::move(*std::exchange(next, std::nullopt));
                mine = handed;
                dropped.swap(unplayed);
            }
            for (const Ended& ended : dropped)
                if (ended)
                    ended(false);
            const auto cutOff = [this, mine] { return stop || handed != mine; };
            const Pcm pcm = request.make();
            const bool played = !cutOff() && playThroughServer(pcm, request.volume, cutOff);
            {
                // Back from a server that held it past its owner's end: what
                // `ended` reaches is freed, so nothing more is told.
                std::lock_guard guard(lock);
                if (abandoned)
                    return;
            }
            if (request.ended)
                request.ended(played);
        }
        std::lock_guard guard(lock);
        finished = true;
        changed.notify_all();
    }
};

Player::Player(const char* name) : m_state(std::make_shared<State>())
{
    m_thread = std::thread([state = m_state, name = std::string(name)] {
        pthread_setname_np(pthread_self(), name.c_str());
        state->run();
    });
}

Player::~Player()
{
    std::unique_lock guard(m_state->lock);
    m_state->stop = true;
    m_state->changed.notify_all();
    if (!m_state->changed.wait_for(guard, std::chrono::seconds(3), [this] { return m_state->finished; })) {
        std::fprintf(stderr, "Korvalen: a sound thread did not end in time; it is left behind.\n");
        m_state->abandoned = true;
        m_thread.detach();
        return;
    }
    guard.unlock();
    m_thread.join();
    if (m_state->next)
        m_state->unplayed.push_back(std::move(m_state->next->ended));
    for (const Ended& ended : m_state->unplayed)
        if (ended)
            ended(false);
}

void Player::hand(Make make, double volume, Ended ended)
{
    {
        std::lock_guard guard(m_state->lock);
        // One not yet begun is told on the player's thread: a caller may
        // hold a lock of its own that its `ended` takes.
        if (m_state->next)
            m_state->unplayed.push_back(std::move(m_state->next->ended));
        m_state->next = State::Request{std::move(make), volume, std::move(ended)};
        ++m_state->handed;
    }
    m_state->changed.notify_all();
}

ServerSoundOutput::ServerSoundOutput() = default;

bool ServerSoundOutput::play(const QString& file)
{
    QFile source(file);
    // A notification sound lasts seconds: a file far larger is no such sound,
    // and read whole it would take the memory of the program.
    constexpr qint64 kLargestSound = 64 * 1024 * 1024;
    if (!source.open(QIODevice::ReadOnly) || source.size() > kLargestSound)
        return false;
    auto pcm = readWav(source.readAll());
    if (!pcm)
        return false;
    m_player.hand([pcm = std::make_shared<const Pcm>(std::move(*pcm))] { return *pcm; }, m_volume,
                  [this](bool played) { m_played += played ? 1 : 0; });
    return true;
}

bool ServerSoundOutput::playFile(const QString& path)
{
    return QFileInfo(path).isFile() && play(path);
}

bool ServerSoundOutput::playBuiltIn(const QString& name)
{
    return !name.isEmpty() && play(QStringLiteral(":/sounds/%1.wav").arg(name));
}

void ServerSoundOutput::setVolume(uint32_t level)
{
    m_volume = linearVolume(level);
}

// Hands each text to the player, which speaks it into samples and plays
// them. A text still under way when the next is handed over has been given
// up on by the queue, and is cut off.
class FliteSpeechOutput::Engine : public SpeechEngine
{
public:
    explicit Engine(FliteSpeechOutput* output) : m_output(output) {}

    void say(const QString& text, double volume, std::function<void()> ended) override
    {
        ++m_output->m_spoken;
        m_output->m_player->hand(
            [voice = m_output->m_voice, utf8 = text.toUtf8()] { return spoken(voice.get(), utf8); }, volume,
            [output = m_output, ended = std::move(ended)](bool played) {
                output->m_heard += played ? 1 : 0;
                ended();
            });
    }

private:
    static Pcm spoken(cst_voice* voice, const QByteArray& text)
    {
        Pcm pcm;
        cst_wave* wave = flite_text_to_wave(text.constData(), voice);
        if (!wave)
            return pcm;
        pcm.rate = wave->sample_rate;
        pcm.channels = wave->num_channels;
        pcm.samples.reserve(size_t(std::max(0, wave->num_samples * wave->num_channels)));
        for (int i = 0; i < wave->num_samples * wave->num_channels; ++i)
            pcm.samples.push_back(float(wave->samples[i]) / 32768.0f);
        delete_wave(wave);
        return pcm;
    }

    FliteSpeechOutput* m_output;
};

FliteSpeechOutput::FliteSpeechOutput()
{
    static std::once_flag initialised;
    std::call_once(initialised, [] { flite_init(); });
    if (cst_voice* voice = register_cmu_us_kal16(nullptr))
        m_voice.reset(voice, [](cst_voice* gone) { unregister_cmu_us_kal16(gone); });
    m_player = std::make_unique<Player>("speech");
    m_engine = std::make_unique<Engine>(this);
    m_queue = std::make_unique<SpeechQueue>(m_engine.get());
}

FliteSpeechOutput::~FliteSpeechOutput()
{
    // No text reaches the voice any more, every waiting speaker goes, and
    // the one being spoken is cut off before the voice is let go.
    m_queue->close();
    m_player.reset();
}

void FliteSpeechOutput::setVolume(uint32_t level)
{
    m_volume = linearVolume(level);
}

void FliteSpeechOutput::speak(const QString& text)
{
    if (!m_voice || text.trimmed().isEmpty())
        return;
    // Each text is spoken in full after those that came before it. The bound
    // on one text keeps a server that takes no sound from holding the queue
    // and a sound thread for ever.
    const auto limit = std::chrono::seconds(10) + std::chrono::milliseconds(200) * text.size();
    m_queue->speak(text, m_volume, std::min<std::chrono::milliseconds>(limit, std::chrono::minutes(2)));
}

int FliteSpeechOutput::droppedCount() const
{
    return m_queue->droppedCount();
}

} // namespace platform
