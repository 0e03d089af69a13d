#pragma once

#include <cstddef>
#include <cstdint>

// The chunks' samples (1 to 4 bytes, little-endian; signed, but unsigned with an offset of 128
// at 8 bits) against libsndfile's int scale, in which every sample is left-aligned in 32 bits
// whatever the file's width.
namespace orxa::host::pcm {

void toInt32(const uint8_t* in, size_t samples, int bytesPerSample, int32_t* out);
void fromInt32(const int32_t* in, size_t samples, int bytesPerSample, uint8_t* out);

} // namespace orxa::host::pcm
