#pragma once

#include <cstdint>

namespace orxa::flac {

// Sample conversion between libFLAC's 32-bit channel arrays and this system's PCM: interleaved,
// little-endian, 1 to 4 bytes per sample, 8-bit samples unsigned with an offset of 128.

// Interleaves `frames` samples of each of `channelCount` arrays into `out`, `bytes` bytes per
// sample. Each sample is first moved `shift` bits to the left (to the right when negative), so
// a narrower bit depth fills its container. `bytes` outside 1 to 4 writes nothing.
void packFrame(const int32_t* const* channels, int32_t channelCount, int32_t frames, int32_t bytes,
               int32_t shift, uint8_t* out);

// The form a stream's MD5 signature covers: each sample as decoded (not justified), interleaved,
// signed little-endian in (bitsPerSample + 7) / 8 bytes, 8-bit samples too. Writes `frames` *
// `channelCount` samples of that width into `out`.
void packForSignature(const int32_t* const* channels, int32_t channelCount, int32_t frames,
                      int32_t bitsPerSample, uint8_t* out);

// Reads `count` interleaved samples of `bytes` bytes each into 32-bit signed samples.
// `bytes` outside 1 to 4 reads nothing.
void unpackSamples(const uint8_t* in, int32_t count, int32_t bytes, int32_t* out);

} // namespace orxa::flac
