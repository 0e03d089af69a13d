#include "pcmPacking.h"

#include "orxa/audio/pcmBytes.h"

#include <stdexcept>

namespace orxa::host::pcm {

namespace {

// libsndfile's scale puts the sample's top bit at bit 31.
template <int Bytes>
constexpr int alignment = 32 - 8 * Bytes;

template <int Bytes>
void unpack(const uint8_t* in, size_t n, int32_t* out) {
    for (size_t i = 0; i < n; ++i, in += Bytes)
        out[i] = static_cast<int32_t>(static_cast<uint32_t>(orxa::audio::pcm::loadSample<Bytes>(in))
                                      << alignment<Bytes>);
}

template <int Bytes>
void pack(const int32_t* in, size_t n, uint8_t* out) {
    for (size_t i = 0; i < n; ++i, out += Bytes)
        orxa::audio::pcm::storeSample<Bytes>(out, static_cast<uint32_t>(in[i]) >> alignment<Bytes>);
}

[[noreturn]] void badWidth(int bytesPerSample) {
    throw std::invalid_argument(std::to_string(bytesPerSample) + " bytes per sample");
}

} // namespace

void toInt32(const uint8_t* in, size_t samples, int bytesPerSample, int32_t* out) {
    switch (bytesPerSample) {
    case 1:
        return unpack<1>(in, samples, out);
    case 2:
        return unpack<2>(in, samples, out);
    case 3:
        return unpack<3>(in, samples, out);
    case 4:
        return unpack<4>(in, samples, out);
    default:
        badWidth(bytesPerSample);
    }
}

void fromInt32(const int32_t* in, size_t samples, int bytesPerSample, uint8_t* out) {
    switch (bytesPerSample) {
    case 1:
        return pack<1>(in, samples, out);
    case 2:
        return pack<2>(in, samples, out);
    case 3:
        return pack<3>(in, samples, out);
    case 4:
        return pack<4>(in, samples, out);
    default:
        badWidth(bytesPerSample);
    }
}

} // namespace orxa::host::pcm
