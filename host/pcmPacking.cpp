#include "pcmPacking.h"

#include <stdexcept>

namespace orxa::host::pcm {

namespace {

void from8(const uint8_t* in, size_t n, int32_t* out) {
    for (size_t i = 0; i < n; ++i)
        out[i] = static_cast<int32_t>(static_cast<uint32_t>(in[i] ^ 0x80u) << 24);
}

void from16(const uint8_t* in, size_t n, int32_t* out) {
    for (size_t i = 0; i < n; ++i, in += 2)
        out[i] = static_cast<int32_t>((uint32_t{in[0]} << 16) | (uint32_t{in[1]} << 24));
}

void from24(const uint8_t* in, size_t n, int32_t* out) {
    for (size_t i = 0; i < n; ++i, in += 3)
        out[i] = static_cast<int32_t>((uint32_t{in[0]} << 8) | (uint32_t{in[1]} << 16) |
                                      (uint32_t{in[2]} << 24));
}

void from32(const uint8_t* in, size_t n, int32_t* out) {
    for (size_t i = 0; i < n; ++i, in += 4)
        out[i] = static_cast<int32_t>(uint32_t{in[0]} | (uint32_t{in[1]} << 8) |
                                      (uint32_t{in[2]} << 16) | (uint32_t{in[3]} << 24));
}

void to8(const int32_t* in, size_t n, uint8_t* out) {
    for (size_t i = 0; i < n; ++i)
        out[i] = static_cast<uint8_t>((static_cast<uint32_t>(in[i]) >> 24) ^ 0x80u);
}

void to16(const int32_t* in, size_t n, uint8_t* out) {
    for (size_t i = 0; i < n; ++i, out += 2) {
        uint32_t v = static_cast<uint32_t>(in[i]);
        out[0] = static_cast<uint8_t>(v >> 16);
        out[1] = static_cast<uint8_t>(v >> 24);
    }
}

void to24(const int32_t* in, size_t n, uint8_t* out) {
    for (size_t i = 0; i < n; ++i, out += 3) {
        uint32_t v = static_cast<uint32_t>(in[i]);
        out[0] = static_cast<uint8_t>(v >> 8);
        out[1] = static_cast<uint8_t>(v >> 16);
        out[2] = static_cast<uint8_t>(v >> 24);
    }
}

void to32(const int32_t* in, size_t n, uint8_t* out) {
    for (size_t i = 0; i < n; ++i, out += 4) {
        uint32_t v = static_cast<uint32_t>(in[i]);
        out[0] = static_cast<uint8_t>(v);
        out[1] = static_cast<uint8_t>(v >> 8);
        out[2] = static_cast<uint8_t>(v >> 16);
        out[3] = static_cast<uint8_t>(v >> 24);
    }
}

[[noreturn]] void badWidth(int bytesPerSample) {
    throw std::invalid_argument(std::to_string(bytesPerSample) + " bytes per sample");
}

} // namespace

void toInt32(const uint8_t* in, size_t samples, int bytesPerSample, int32_t* out) {
    switch (bytesPerSample) {
    case 1:
        return from8(in, samples, out);
    case 2:
        return from16(in, samples, out);
    case 3:
        return from24(in, samples, out);
    case 4:
        return from32(in, samples, out);
    default:
        badWidth(bytesPerSample);
    }
}

void fromInt32(const int32_t* in, size_t samples, int bytesPerSample, uint8_t* out) {
    switch (bytesPerSample) {
    case 1:
        return to8(in, samples, out);
    case 2:
        return to16(in, samples, out);
    case 3:
        return to24(in, samples, out);
    case 4:
        return to32(in, samples, out);
    default:
        badWidth(bytesPerSample);
    }
}

} // namespace orxa::host::pcm
