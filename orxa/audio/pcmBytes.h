#pragma once

#include <cstddef>
#include <cstdint>
#include <type_traits>

// The byte form of one PCM sample in a chunk: little-endian, 1 to 4 bytes, signed, except that
// 1-byte samples are unsigned with their zero at 128. Header-only so that the host, which links
// no plug-in code, reads and writes chunks by the same rule.
namespace orxa::audio::pcm {

// The sample as a signed value of its own width, right-justified in 32 bits.
template <int Bytes>
inline int32_t loadSample(const uint8_t* in) {
    static_assert(Bytes >= 1 && Bytes <= 4);
    if constexpr (Bytes == 1) {
        return static_cast<int32_t>(in[0]) - 128;
    } else if constexpr (Bytes == 2) {
        return static_cast<int16_t>(static_cast<uint16_t>(in[0] | (in[1] << 8)));
    } else if constexpr (Bytes == 3) {
        // The top byte lands in bits 24..31 and the arithmetic shift extends its sign.
        uint32_t bits = (static_cast<uint32_t>(in[0]) << 8) | (static_cast<uint32_t>(in[1]) << 16) |
                        (static_cast<uint32_t>(in[2]) << 24);
        return static_cast<int32_t>(bits) >> 8;
    } else {
        return static_cast<int32_t>(
            static_cast<uint32_t>(in[0]) | (static_cast<uint32_t>(in[1]) << 8) |
            (static_cast<uint32_t>(in[2]) << 16) | (static_cast<uint32_t>(in[3]) << 24));
    }
}

// The low `Bytes` bytes of a right-justified sample, lowest first.
template <int Bytes>
inline void storeSample(uint8_t* out, uint32_t value) {
    static_assert(Bytes >= 1 && Bytes <= 4);
    if constexpr (Bytes == 1) {
        out[0] = static_cast<uint8_t>(value + 128u);
    } else {
        out[0] = static_cast<uint8_t>(value);
        out[1] = static_cast<uint8_t>(value >> 8);
        if constexpr (Bytes >= 3)
            out[2] = static_cast<uint8_t>(value >> 16);
        if constexpr (Bytes == 4)
            out[3] = static_cast<uint8_t>(value >> 24);
    }
}

// A sample of `Bytes` bytes moved up so that its top bit is bit 31, the scale on which samples
// of different widths compare.
template <int Bytes>
inline int32_t leftJustified(int32_t sample) {
    return static_cast<int32_t>(static_cast<uint32_t>(sample) << (32 - 8 * Bytes));
}

// The one place a width given at run time becomes a width known to the compiler, so each loop
// below is compiled once per width. Calls `body(std::integral_constant<int, Bytes>{})`; returns
// false, having called nothing, for a width outside 1 to 4.
template <class Body>
inline bool withWidth(int bytes, Body&& body) {
    switch (bytes) {
    case 1:
        body(std::integral_constant<int, 1>{});
        return true;
    case 2:
        body(std::integral_constant<int, 2>{});
        return true;
    case 3:
        body(std::integral_constant<int, 3>{});
        return true;
    case 4:
        body(std::integral_constant<int, 4>{});
        return true;
    default:
        return false;
    }
}

// `count` samples of `Bytes` bytes, each loaded and handed through `value` into `out`.
template <int Bytes, class Sample, class Value>
inline void unpack(const uint8_t* in, size_t count, Sample* out, Value value) {
    for (size_t i = 0; i < count; ++i, in += Bytes)
        out[i] = value(loadSample<Bytes>(in));
}

// `count` samples, each handed through `value` (which gives the right-justified bits to store).
template <int Bytes, class Sample, class Value>
inline void pack(const Sample* in, size_t count, uint8_t* out, Value value) {
    for (size_t i = 0; i < count; ++i, out += Bytes)
        storeSample<Bytes>(out, value(in[i]));
}

// Frame after frame, one sample of each channel in turn. `ChannelCount` fixes the count for the
// common mono and stereo loops; 0 takes `channelCount` at run time.
template <int Bytes, int ChannelCount = 0, class Sample, class Value>
inline void packInterleaved(const Sample* const* channels, size_t channelCount, size_t frames,
                            uint8_t* out, Value value) {
    if constexpr (ChannelCount == 1) {
        pack<Bytes>(channels[0], frames, out, value);
    } else if constexpr (ChannelCount == 2) {
        const Sample* left = channels[0];
        const Sample* right = channels[1];
        for (size_t i = 0; i < frames; ++i, out += 2 * Bytes) {
            storeSample<Bytes>(out, value(left[i]));
            storeSample<Bytes>(out + Bytes, value(right[i]));
        }
    } else {
        for (size_t i = 0; i < frames; ++i)
            for (size_t c = 0; c < channelCount; ++c, out += Bytes)
                storeSample<Bytes>(out, value(channels[c][i]));
    }
}

// All of channel 0, then all of channel 1, and so on.
template <int Bytes, class Sample, class Value>
inline void packPlanar(const Sample* const* channels, size_t channelCount, size_t frames,
                       uint8_t* out, Value value) {
    for (size_t c = 0; c < channelCount; ++c, out += frames * Bytes)
        pack<Bytes>(channels[c], frames, out, value);
}

} // namespace orxa::audio::pcm
