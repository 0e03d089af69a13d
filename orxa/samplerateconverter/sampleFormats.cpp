#include "orxa/samplerateconverter/sampleFormats.h"

#include "orxa/audio/pcmBytes.h"

#include <bit>
#include <cstring>

namespace orxa::samplerateconverter {

// 16-bit runs are copied as they are between PCM bytes and samples.
static_assert(std::endian::native == std::endian::little);

namespace {

template <int Bytes>
inline int16_t readSample(const uint8_t* in);

template <>
inline int16_t readSample<1>(const uint8_t* in) {
    return static_cast<int16_t>((in[0] - 128) * 256);
}
// 2-byte samples are copied as they are.
template <>
inline int16_t readSample<3>(const uint8_t* in) {
    return static_cast<int16_t>(in[1] | (in[2] << 8));
}
template <>
inline int16_t readSample<4>(const uint8_t* in) {
    return static_cast<int16_t>(in[2] | (in[3] << 8));
}

template <int Bytes>
inline void writeSample(uint8_t* out, int16_t s);

// -32768 becomes 0, 0 becomes 127 and 32767 becomes 254: the scale of the 8-bit output that
// hosts of this framework expect.
template <>
inline void writeSample<1>(uint8_t* out, int16_t s) {
    out[0] = static_cast<uint8_t>(static_cast<int32_t>((s / 65535.0 + 0.5) * 255.0));
}
template <>
inline void writeSample<2>(uint8_t* out, int16_t s) {
    const auto u = static_cast<uint16_t>(s);
    out[0] = static_cast<uint8_t>(u);
    out[1] = static_cast<uint8_t>(u >> 8);
}
// Wider samples are the 16-bit value shifted up, low bytes zero.
template <>
inline void writeSample<3>(uint8_t* out, int16_t s) {
    out[0] = 0;
    writeSample<2>(out + 1, s);
}
template <>
inline void writeSample<4>(uint8_t* out, int16_t s) {
    out[0] = 0;
    out[1] = 0;
    writeSample<2>(out + 2, s);
}

template <int Bytes>
void reduce(const uint8_t* in, int32_t samples, int16_t* out) {
    for (int32_t i = 0; i < samples; ++i, in += Bytes)
        out[i] = readSample<Bytes>(in);
}

template <int Bytes>
void interleave(std::span<const int16_t* const> channels, int32_t frames, uint8_t* out) {
    const std::size_t count = channels.size();
    for (int32_t j = 0; j < frames; ++j)
        for (std::size_t c = 0; c < count; ++c, out += Bytes)
            writeSample<Bytes>(out, channels[c][j]);
}

template <int Bytes>
void planar(std::span<const int16_t* const> channels, int32_t frames, uint8_t* out) {
    for (const int16_t* channel : channels)
        for (int32_t j = 0; j < frames; ++j, out += Bytes)
            writeSample<Bytes>(out, channel[j]);
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

template <int Bytes>
void widen(const uint8_t* in, int32_t samples, int32_t* out) {
    for (int32_t i = 0; i < samples; ++i, in += Bytes)
        out[i] = static_cast<int32_t>(static_cast<uint32_t>(audio::pcm::loadSample<Bytes>(in))
                                      << (32 - 8 * Bytes));
}

template <int Bytes>
void interleave32(std::span<const int32_t* const> channels, int32_t frames, uint8_t* out) {
    const std::size_t count = channels.size();
    for (int32_t j = 0; j < frames; ++j)
        for (std::size_t c = 0; c < count; ++c, out += Bytes)
            audio::pcm::storeSample<Bytes>(out, rounded<Bytes>(channels[c][j]));
}

template <int Bytes>
void planar32(std::span<const int32_t* const> channels, int32_t frames, uint8_t* out) {
    for (const int32_t* channel : channels)
        for (int32_t j = 0; j < frames; ++j, out += Bytes)
            audio::pcm::storeSample<Bytes>(out, rounded<Bytes>(channel[j]));
}

// Runs `Loop<Bytes>` for the sample size given at run time.
template <template <int> class Loop, class... Args>
void forWidth(int32_t bytesPerSample, Args&&... args) {
    switch (bytesPerSample) {
    case 1:
        Loop<1>::run(args...);
        break;
    case 2:
        Loop<2>::run(args...);
        break;
    case 3:
        Loop<3>::run(args...);
        break;
    case 4:
        Loop<4>::run(args...);
        break;
    default:
        break;
    }
}

template <int Bytes>
struct Widen {
    static void run(const uint8_t* in, int32_t samples, int32_t* out) {
        widen<Bytes>(in, samples, out);
    }
};
template <int Bytes>
struct Interleave32 {
    static void run(std::span<const int32_t* const> channels, int32_t frames, uint8_t* out) {
        interleave32<Bytes>(channels, frames, out);
    }
};
template <int Bytes>
struct Planar32 {
    static void run(std::span<const int32_t* const> channels, int32_t frames, uint8_t* out) {
        planar32<Bytes>(channels, frames, out);
    }
};

} // namespace

void widenTo32Bit(const uint8_t* in, int32_t bytesPerSample, int32_t samples, int32_t* out) {
    if (samples > 0)
        forWidth<Widen>(bytesPerSample, in, samples, out);
}

void packInterleaved(std::span<const int32_t* const> channels, int32_t frames,
                     int32_t bytesPerSample, uint8_t* out) {
    if (frames > 0)
        forWidth<Interleave32>(bytesPerSample, channels, frames, out);
}

void packPlanar(std::span<const int32_t* const> channels, int32_t frames, int32_t bytesPerSample,
                uint8_t* out) {
    if (frames > 0)
        forWidth<Planar32>(bytesPerSample, channels, frames, out);
}

void reduceTo16Bit(const uint8_t* in, int32_t bytesPerSample, int32_t samples, int16_t* out) {
    if (samples <= 0)
        return;
    switch (bytesPerSample) {
    case 1:
        reduce<1>(in, samples, out);
        break;
    case 2:
        std::memcpy(out, in, static_cast<std::size_t>(samples) * 2);
        break;
    case 3:
        reduce<3>(in, samples, out);
        break;
    case 4:
        reduce<4>(in, samples, out);
        break;
    default:
        break;
    }
}

void packInterleaved(std::span<const int16_t* const> channels, int32_t frames,
                     int32_t bytesPerSample, uint8_t* out) {
    if (frames <= 0)
        return;
    switch (bytesPerSample) {
    case 1:
        interleave<1>(channels, frames, out);
        break;
    case 2:
        if (channels.size() == 1)
            std::memcpy(out, channels[0], static_cast<std::size_t>(frames) * 2);
        else
            interleave<2>(channels, frames, out);
        break;
    case 3:
        interleave<3>(channels, frames, out);
        break;
    case 4:
        interleave<4>(channels, frames, out);
        break;
    default:
        break;
    }
}

void packPlanar(std::span<const int16_t* const> channels, int32_t frames, int32_t bytesPerSample,
                uint8_t* out) {
    if (frames <= 0)
        return;
    switch (bytesPerSample) {
    case 1:
        planar<1>(channels, frames, out);
        break;
    case 2:
        for (const int16_t* channel : channels) {
            std::memcpy(out, channel, static_cast<std::size_t>(frames) * 2);
            out += static_cast<std::size_t>(frames) * 2;
        }
        break;
    case 3:
        planar<3>(channels, frames, out);
        break;
    case 4:
        planar<4>(channels, frames, out);
        break;
    default:
        break;
    }
}

} // namespace orxa::samplerateconverter
