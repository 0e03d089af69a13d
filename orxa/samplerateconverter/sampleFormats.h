#pragma once

#include <cstdint>
#include <span>

namespace orxa::samplerateconverter {

// The conversions between little-endian PCM of 1 to 4 bytes per sample and the 16-bit samples
// the converter works on. 1-byte PCM is unsigned with its zero at 128, as in WAV files. Each
// function picks one loop per sample size before it touches a sample. Sizes outside 1 to 4 are
// the caller's to refuse.

// `samples` samples of `bytesPerSample` bytes each to 16 bits: wider samples keep their high
// 16 bits, 1-byte samples are centred and scaled up.
void reduceTo16Bit(const uint8_t* in, int32_t bytesPerSample, int32_t samples, int16_t* out);

// `samples` samples of `bytesPerSample` bytes each, left-justified into 32 bits: the low bits
// of narrower samples are zero, 1-byte samples are centred first.
void widenTo32Bit(const uint8_t* in, int32_t bytesPerSample, int32_t samples, int32_t* out);

// Frame after frame, one sample of each channel in turn.
void packInterleaved(std::span<const int16_t* const> channels, int32_t frames,
                     int32_t bytesPerSample, uint8_t* out);

// All of channel 0, then all of channel 1, and so on.
void packPlanar(std::span<const int16_t* const> channels, int32_t frames, int32_t bytesPerSample,
                uint8_t* out);

// The same for left-justified 32-bit samples, rounded to the nearest value of the target width
// (the largest value where rounding up would overflow it).
void packInterleaved(std::span<const int32_t* const> channels, int32_t frames,
                     int32_t bytesPerSample, uint8_t* out);
void packPlanar(std::span<const int32_t* const> channels, int32_t frames, int32_t bytesPerSample,
                uint8_t* out);

} // namespace orxa::samplerateconverter
