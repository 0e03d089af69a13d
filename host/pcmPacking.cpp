#include "pcmPacking.h"

#include "orxa/audio/pcmBytes.h"

#include <stdexcept>
#include <string>

namespace orxa::host::pcm {

namespace {

[[noreturn]] void badWidth(int bytesPerSample) {
    throw std::invalid_argument(std::to_string(bytesPerSample) + " bytes per sample");
}

} // namespace

// libsndfile's scale puts the sample's top bit at bit 31.
void toInt32(const uint8_t* in, size_t samples, int bytesPerSample, int32_t* out) {
    namespace pcm = orxa::audio::pcm;
    if (!pcm::withWidth(bytesPerSample, [&](auto width) {
            constexpr int Bytes = decltype(width)::value;
            pcm::unpack<Bytes>(in, samples, out, pcm::leftJustified<Bytes>);
        }))
        badWidth(bytesPerSample);
}

void fromInt32(const int32_t* in, size_t samples, int bytesPerSample, uint8_t* out) {
    namespace pcm = orxa::audio::pcm;
    if (!pcm::withWidth(bytesPerSample, [&](auto width) {
            constexpr int Bytes = decltype(width)::value;
            pcm::pack<Bytes>(in, samples, out, [](int32_t sample) {
                return static_cast<uint32_t>(sample) >> (32 - 8 * Bytes);
            });
        }))
        badWidth(bytesPerSample);
}

} // namespace orxa::host::pcm
