#pragma once

#include <cstdint>

namespace tamu::base64 {

// The standard alphabet, value 0 first.
extern const char alphabet[65];
// A character outside the alphabet decodes to this value.
inline constexpr uint8_t invalidValue = 128;
// The 6-bit value of each character code, invalidValue outside the alphabet.
uint8_t valueOf(uint8_t character);

// Room a decoded or encoded text takes: (n * 8 + 5) / 6 characters for n bytes, (n * 6) / 8
// bytes for n characters.
int64_t encodedLength(int64_t byteCount);
int64_t decodedLength(int64_t charCount);

} // namespace tamu::base64
