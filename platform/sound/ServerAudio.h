#pragma once

#include "Sound.h"
#include "SoundServer.h"
#include "SpeechQueue.h"

#include <atomic>
#include <memory>
#include <thread>

struct cst_voice_struct;

namespace platform {

// Plays one sound at a time through the sound server, on a thread of its
// own: what is handed over next cuts off what plays. Each sound connects
// anew, so a server that went away and came back is simply used again, and
// one that is gone only leaves the sound unheard.
class Player
{
public:
    // Makes the samples, on the player's thread; empty ones are not played.
    using Make = std::function<Pcm()>;
    // Called once, on the player's thread, with whether it was played.
    using Ended = std::function<void(bool played)>;

    explicit Player(const char* name);
    // Cuts off what plays and ends the thread. A thread that does not come
    // back within a few seconds (libpulse has been seen to spin for ever
    // when the server dies in the middle of a connection) is left behind
    // with the state it uses, so that the program can still end.
    ~Player();
    Player(const Player&) = delete;
    Player& operator=(const Player&) = delete;
    void hand(Make make, double volume, Ended ended);

    struct State;

private:
    std::shared_ptr<State> m_state;
    std::thread m_thread;
};

// WAV files and the built-in sounds.
class ServerSoundOutput : public SoundOutput
{
public:
    ServerSoundOutput();
    bool playFile(const QString& path) override;
    bool playBuiltIn(const QString& name) override;
    void setVolume(uint32_t level) override;

    // Sounds played to their end or cut off by the next.
    int playedCount() const { return m_played; }

private:
    bool play(const QString& file);

    std::atomic<double> m_volume{1.0};
    std::atomic<int> m_played{0};
    Player m_player{"sound"};
};

// Speech through the flite voice. Texts of several boxes are all heard: each
// is spoken in full, one after another, in the order they came
// (SpeechQueue); speak() returns when its own text has been spoken.
class FliteSpeechOutput : public SpeechOutput
{
public:
    FliteSpeechOutput();
    ~FliteSpeechOutput() override;
    void speak(const QString& text) override;
    void setVolume(uint32_t level) override;
    bool hasVoice() override { return m_voice != nullptr; }

    // Texts handed to the voice, and those of them played to their end.
    int spokenCount() const { return m_spoken; }
    int heardCount() const { return m_heard; }
    // Texts dropped because too many were waiting.
    int droppedCount() const;

private:
    class Engine;

    // Shared with the texts handed to the player: one still being spoken by
    // a thread left behind at the end keeps it.
    std::shared_ptr<cst_voice_struct> m_voice;
    std::atomic<double> m_volume{1.0};
    std::atomic<int> m_spoken{0};
    std::atomic<int> m_heard{0};
    std::unique_ptr<Player> m_player;
    std::unique_ptr<Engine> m_engine;
    std::unique_ptr<SpeechQueue> m_queue;
};

} // namespace platform
