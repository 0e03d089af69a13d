#include "orxa/flac/pcmPacking.h"

#include "orxa/audio/pcmBytes.h"

namespace orxa::flac {

namespace {

template <bool Right>
inline uint32_t justify(int32_t sample, int32_t shift) {
    if constexpr (Right)
        return static_cast<uint32_t>(sample >> shift);
    else
        return static_cast<uint32_t>(sample) << shift;
}

// ChannelCount 0 means any count, given at run time.
template <int Bytes, int ChannelCount, bool Right>
void packLoop(const int32_t* const* channels, int32_t channelCount, int32_t frames, int32_t shift,
              uint8_t* out) {
    if constexpr (ChannelCount == 1) {
        const int32_t* mono = channels[0];
        for (int32_t i = 0; i < frames; ++i, out += Bytes)
            audio::pcm::storeSample<Bytes>(out, justify<Right>(mono[i], shift));
    } else if constexpr (ChannelCount == 2) {
        const int32_t* left = channels[0];
        const int32_t* right = channels[1];
        for (int32_t i = 0; i < frames; ++i, out += 2 * Bytes) {
            audio::pcm::storeSample<Bytes>(out, justify<Right>(left[i], shift));
            audio::pcm::storeSample<Bytes>(out + Bytes, justify<Right>(right[i], shift));
        }
    } else {
        for (int32_t i = 0; i < frames; ++i)
            for (int32_t c = 0; c < channelCount; ++c, out += Bytes)
                audio::pcm::storeSample<Bytes>(out, justify<Right>(channels[c][i], shift));
    }
}

template <int Bytes, bool Right>
void packWidth(const int32_t* const* channels, int32_t channelCount, int32_t frames, int32_t shift,
               uint8_t* out) {
    switch (channelCount) {
    case 1:
        packLoop<Bytes, 1, Right>(channels, channelCount, frames, shift, out);
        break;
    case 2:
        packLoop<Bytes, 2, Right>(channels, channelCount, frames, shift, out);
        break;
    default:
        packLoop<Bytes, 0, Right>(channels, channelCount, frames, shift, out);
        break;
    }
}

template <bool Right>
void packShifted(const int32_t* const* channels, int32_t channelCount, int32_t frames,
                 int32_t bytes, int32_t shift, uint8_t* out) {
    switch (bytes) {
    case 1:
        packWidth<1, Right>(channels, channelCount, frames, shift, out);
        break;
    case 2:
        packWidth<2, Right>(channels, channelCount, frames, shift, out);
        break;
    case 3:
        packWidth<3, Right>(channels, channelCount, frames, shift, out);
        break;
    case 4:
        packWidth<4, Right>(channels, channelCount, frames, shift, out);
        break;
    default:
        break;
    }
}

template <int Bytes>
void unpackLoop(const uint8_t* in, int32_t count, int32_t* out) {
    for (int32_t i = 0; i < count; ++i, in += Bytes)
        out[i] = audio::pcm::loadSample<Bytes>(in);
}

} // namespace

void packFrame(const int32_t* const* channels, int32_t channelCount, int32_t frames, int32_t bytes,
               int32_t shift, uint8_t* out) {
    if (shift >= 0)
        packShifted<false>(channels, channelCount, frames, bytes, shift, out);
    else
        packShifted<true>(channels, channelCount, frames, bytes, -shift, out);
}

void unpackSamples(const uint8_t* in, int32_t count, int32_t bytes, int32_t* out) {
    switch (bytes) {
    case 1:
        unpackLoop<1>(in, count, out);
        break;
    case 2:
        unpackLoop<2>(in, count, out);
        break;
    case 3:
        unpackLoop<3>(in, count, out);
        break;
    case 4:
        unpackLoop<4>(in, count, out);
        break;
    default:
        break;
    }
}

} // namespace orxa::flac
