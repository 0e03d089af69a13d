#pragma once

#include <cstdint>

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

} // namespace orxa::audio::pcm
