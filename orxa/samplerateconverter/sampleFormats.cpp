#include "orxa/samplerateconverter/sampleFormats.h"

#include "orxa/audio/pcmBytes.h"

#include <bit>
#include <cstring>

namespace orxa::samplerateconverter {

// 16-bit runs are copied as they are between PCM bytes and samples.
static_assert(std::endian::native == std::endian::little);

namespace {

namespace pcm = audio::pcm;

// Wider samples keep their high 16 bits; 1-byte samples are centred and scaled up.
template <int Bytes>
inline int16_t to16Bit(int32_t sample) {
    if constexpr (Bytes == 1)
        return static_cast<int16_t>(sample * 256);
    else
        return static_cast<int16_t>(sample >> (8 * (Bytes - 2)));
}

// The bits stored for a 16-bit sample: -32768 becomes 0, 0 becomes 127 and 32767 becomes 254 at
// 8 bits (the scale of the 8-bit output that hosts of this framework expect); wider samples are
// the 16-bit value shifted up, low bytes zero.
template <int Bytes>
inline uint32_t from16Bit(int16_t s) {
    if constexpr (Bytes == 1)
        return static_cast<uint32_t>(static_cast<int32_t>((s / 65535.0 + 0.5) * 255.0) - 128);
    else
        return static_cast<uint32_t>(static_cast<uint16_t>(s)) << (8 * (Bytes - 2));
}

// A left-justified 32-bit sample rounded to `Bytes` bytes and right-justified again. Adding half
// a step and shifting rounds halves up; only the top of the range can overflow, and it keeps
// the largest value instead.
template <int Bytes>
inline uint32_t rounded(int32_t s) {
    if constexpr (Bytes == 4) {
        return static_cast<uint32_t>(s);
    } else {
        constexpr int shift = 32 - 8 * Bytes;
        constexpr int64_t largest = (int64_t{1} << (8 * Bytes - 1)) - 1;
        const int64_t r = (static_cast<int64_t>(s) + (int64_t{1} << (shift - 1))) >> shift;
        return static_cast<uint32_t>(r > largest ? largest : r);
    }
}

size_t sizeOf(int32_t count) {
    return static_cast<size_t>(count);
}

// The bits a converter sample of either width is stored with at `Bytes` bytes.
template <int Bytes>
inline uint32_t stored(int16_t s) {
    return from16Bit<Bytes>(s);
}
template <int Bytes>
inline uint32_t stored(int32_t s) {
    return rounded<Bytes>(s);
}

// Both layouts for both widths. 16-bit samples stored at 2 bytes are their own bytes and are
// copied whole.
template <bool Planar, class Sample>
void packAll(std::span<const Sample* const> channels, int32_t frames, int32_t bytesPerSample,
             uint8_t* out) {
    if (frames <= 0)
        return;
    const size_t count = sizeOf(frames);
    pcm::withWidth(bytesPerSample, [&](auto width) {
        constexpr int Bytes = decltype(width)::value;
        constexpr bool copies = Bytes == 2 && sizeof(Sample) == 2;
        const auto value = [](Sample s) { return stored<Bytes>(s); };
        if (copies && (Planar || channels.size() == 1)) {
            for (const Sample* channel : channels) {
                std::memcpy(out, channel, count * 2);
                out += count * 2;
            }
        } else if constexpr (Planar) {
            pcm::packPlanar<Bytes>(channels.data(), channels.size(), count, out, value);
        } else {
            pcm::packInterleaved<Bytes>(channels.data(), channels.size(), count, out, value);
        }
    });
}

} // namespace

void widenTo32Bit(const uint8_t* in, int32_t bytesPerSample, int32_t samples, int32_t* out) {
    if (samples <= 0)
        return;
    pcm::withWidth(bytesPerSample, [&](auto width) {
        constexpr int Bytes = decltype(width)::value;
        pcm::unpack<Bytes>(in, sizeOf(samples), out, pcm::leftJustified<Bytes>);
    });
}

void reduceTo16Bit(const uint8_t* in, int32_t bytesPerSample, int32_t samples, int16_t* out) {
    if (samples <= 0)
        return;
    pcm::withWidth(bytesPerSample, [&](auto width) {
        constexpr int Bytes = decltype(width)::value;
        if constexpr (Bytes == 2)
            std::memcpy(out, in, sizeOf(samples) * 2);
        else
            pcm::unpack<Bytes>(in, sizeOf(samples), out, to16Bit<Bytes>);
    });
}

void packInterleaved(std::span<const int16_t* const> channels, int32_t frames,
                     int32_t bytesPerSample, uint8_t* out) {
    packAll<false>(channels, frames, bytesPerSample, out);
}

void packPlanar(std::span<const int16_t* const> channels, int32_t frames, int32_t bytesPerSample,
                uint8_t* out) {
    packAll<true>(channels, frames, bytesPerSample, out);
}

void packInterleaved(std::span<const int32_t* const> channels, int32_t frames,
                     int32_t bytesPerSample, uint8_t* out) {
    packAll<false>(channels, frames, bytesPerSample, out);
}

void packPlanar(std::span<const int32_t* const> channels, int32_t frames, int32_t bytesPerSample,
                uint8_t* out) {
    packAll<true>(channels, frames, bytesPerSample, out);
}

} // namespace orxa::samplerateconverter
