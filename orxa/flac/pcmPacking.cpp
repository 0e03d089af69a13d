#include "orxa/flac/pcmPacking.h"

#include "orxa/audio/pcmBytes.h"

namespace orxa::flac {

namespace {

template <bool Right>
struct Justify {
    int32_t shift;
    uint32_t operator()(int32_t sample) const {
        if constexpr (Right)
            return static_cast<uint32_t>(sample >> shift);
        else
            return static_cast<uint32_t>(sample) << shift;
    }
};

template <bool Right>
void packShifted(const int32_t* const* channels, int32_t channelCount, int32_t frames,
                 int32_t bytes, int32_t shift, uint8_t* out) {
    const auto count = static_cast<size_t>(channelCount);
    const auto length = static_cast<size_t>(frames);
    const Justify<Right> justify{shift};
    audio::pcm::withWidth(bytes, [&](auto width) {
        constexpr int Bytes = decltype(width)::value;
        if (count == 1)
            audio::pcm::packInterleaved<Bytes, 1>(channels, count, length, out, justify);
        else if (count == 2)
            audio::pcm::packInterleaved<Bytes, 2>(channels, count, length, out, justify);
        else
            audio::pcm::packInterleaved<Bytes>(channels, count, length, out, justify);
    });
}

} // namespace

void packFrame(const int32_t* const* channels, int32_t channelCount, int32_t frames, int32_t bytes,
               int32_t shift, uint8_t* out) {
    if (frames <= 0 || channelCount <= 0)
        return;
    if (shift >= 0)
        packShifted<false>(channels, channelCount, frames, bytes, shift, out);
    else
        packShifted<true>(channels, channelCount, frames, bytes, -shift, out);
}

void packForSignature(const int32_t* const* channels, int32_t channelCount, int32_t frames,
                      int32_t bitsPerSample, uint8_t* out) {
    const int32_t bytes = (bitsPerSample + 7) / 8;
    packFrame(channels, channelCount, frames, bytes, 0, out);
    // packFrame writes 8-bit samples offset by 128; the signature takes them signed.
    if (bytes == 1)
        for (int64_t i = 0, n = int64_t{frames} * channelCount; i < n; ++i)
            out[i] ^= 0x80;
}

void unpackSamples(const uint8_t* in, int32_t count, int32_t bytes, int32_t* out) {
    if (count <= 0)
        return;
    audio::pcm::withWidth(bytes, [&](auto width) {
        audio::pcm::unpack<decltype(width)::value>(in, static_cast<size_t>(count), out,
                                                   [](int32_t sample) { return sample; });
    });
}

} // namespace orxa::flac
