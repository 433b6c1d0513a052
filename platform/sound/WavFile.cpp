#include "WavFile.h"

#include <cstring>

namespace platform {

namespace {

constexpr uint16_t kIntegerFormat = 1;
constexpr uint16_t kFloatFormat = 3;
constexpr uint16_t kExtensibleFormat = 0xFFFE;

class Reader
{
public:
    Reader(const QByteArray& bytes, bool bigEndian) : m_bytes(bytes), m_bigEndian(bigEndian) {}

    // The unsigned number of `size` bytes at `at`, in the file's byte order.
    uint64_t number(qsizetype at, int size) const
    {
        uint64_t value = 0;
        for (int i = 0; i < size; ++i) {
            const auto byte = uint8_t(m_bytes[at + (m_bigEndian ? i : size - 1 - i)]);
            value = (value << 8) | byte;
        }
        return value;
    }

    // One sample of `bits` at `at`, from -1 to 1.
    float sample(qsizetype at, int bits, bool isFloat) const
    {
        const uint64_t raw = number(at, bits / 8);
        if (isFloat && bits == 32) {
            const auto word = uint32_t(raw);
            float value;
            std::memcpy(&value, &word, sizeof value);
            return value;
        }
        if (isFloat) {
            double value;
            std::memcpy(&value, &raw, sizeof value);
            return float(value);
        }
        if (bits == 8) // 8-bit samples alone are unsigned
            return float(int(raw) - 128) / 128.0f;
        const uint64_t sign = uint64_t(1) << (bits - 1);
        const auto value = int64_t(raw ^ sign) - int64_t(sign);
        return float(double(value) / double(sign));
    }

private:
    const QByteArray& m_bytes;
    bool m_bigEndian;
};

} // namespace

std::optional<Pcm> readWav(const QByteArray& bytes)
{
    if (bytes.size() < 12 || bytes.mid(8, 4) != "WAVE" ||
        (!bytes.startsWith("RIFF") && !bytes.startsWith("RIFX")))
        return std::nullopt;
    const Reader reader(bytes, bytes.startsWith("RIFX"));
    int format = 0, channels = 0, rate = 0, bits = 0;
    qsizetype data = -1, dataSize = 0;
    for (qsizetype at = 12; at + 8 <= bytes.size();) {
        const QByteArray id = bytes.mid(at, 4);
        const auto size = qsizetype(reader.number(at + 4, 4));
        const qsizetype body = at + 8;
        if (id == "fmt " && size >= 16 && body + size <= bytes.size()) {
            format = int(reader.number(body, 2));
            channels = int(reader.number(body + 2, 2));
            rate = int(reader.number(body + 4, 4));
            bits = int(reader.number(body + 14, 2));
            if (format == kExtensibleFormat && size >= 26)
                format = int(reader.number(body + 24, 2)); // the sub-format's first two bytes
        } else if (id == "data") {
            data = body;
            // A recording cut short keeps the size it was meant to have.
            dataSize = std::min(size, bytes.size() - body);
        }
        if (data >= 0 && format != 0)
            break;
        at = body + size + (size & 1);
    }
    const bool isFloat = format == kFloatFormat && (bits == 32 || bits == 64);
    const bool isInteger = format == kIntegerFormat && (bits == 8 || bits == 16 || bits == 24 || bits == 32);
    if (data < 0 || (!isFloat && !isInteger) || channels <= 0 || rate <= 0)
        return std::nullopt;
    const qsizetype frameSize = qsizetype(channels) * (bits / 8);
    const qsizetype frames = dataSize / frameSize;
    if (frames == 0)
        return std::nullopt;
    Pcm pcm;
    pcm.rate = rate;
    pcm.channels = channels;
    pcm.samples.reserve(size_t(frames * channels));
    for (qsizetype at = data; at < data + frames * frameSize; at += bits / 8)
        pcm.samples.push_back(reader.sample(at, bits, isFloat));
    return pcm;
}

} // namespace platform
