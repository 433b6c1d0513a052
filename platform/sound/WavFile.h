#pragma once

#include "SoundServer.h"

#include <QByteArray>

#include <optional>

namespace platform {

// The sound of a WAV file (RIFF, or big-endian RIFX): integer samples of 8,
// 16, 24 or 32 bits, or float samples of 32 or 64 bits, any rate and number
// of channels. Nothing when the bytes are no such file or hold no sound.
std::optional<Pcm> readWav(const QByteArray& bytes);

} // namespace platform
