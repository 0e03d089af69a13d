#pragma once

#include "tamu/IBase.h"

#include <cstdint>

namespace tamu {

// Builds an encoding id: four bytes that spell a short name in memory order.
constexpr uint32_t encodingTag(char a, char b, char c, char d) {
    return static_cast<uint32_t>(static_cast<uint8_t>(a)) |
           static_cast<uint32_t>(static_cast<uint8_t>(b)) << 8 |
           static_cast<uint32_t>(static_cast<uint8_t>(c)) << 16 |
           static_cast<uint32_t>(static_cast<uint8_t>(d)) << 24;
}

inline constexpr uint32_t utf8EncodingId = encodingTag('U', 'T', 'F', '8');
inline constexpr uint32_t utf16EncodingId = encodingTag('U', 'F', '1', '6');
inline constexpr uint32_t utf32EncodingId = encodingTag('U', 'F', '3', '2');
inline constexpr uint32_t latin1EncodingId = encodingTag('L', 'A', 'T', '1');
inline constexpr uint32_t codePageEncodingId = encodingTag('C', 'D', 'P', 'G');

// A stateless codec between bytes and Unicode code points. Positions and lengths are byte
// offsets into `buffer`; -1 as a position means none or invalid. "Strict" operations answer -1
// for bytes that are not a valid character (or are cut off by the end of the buffer); the
// "next"/"prev" operations skip such bytes instead.
class TAMU_API ICharEncoding : public virtual IBase {
public:
    virtual uint32_t getId() const = 0;
    virtual const char* getName() const = 0;
    virtual int32_t getMaxBytesPerChar() const = 0;
    // Returns the position after the written character, or `pos` when it does not fit or
    // cannot be encoded.
    virtual int32_t encodeChar(uint32_t codePoint, void* buffer, int32_t bufferBytes,
                               int32_t pos) const = 0;
    // 0 when the character cannot be encoded.
    virtual int32_t getEncodedSize(uint32_t codePoint) const = 0;
    virtual int32_t getCharSizeAt(const void* buffer, int32_t bufferBytes, int32_t pos) const = 0;
    // Valid characters from `pos` to the end; invalid bytes are not counted.
    virtual int32_t countChars(const void* buffer, int32_t bufferBytes, int32_t pos) const = 0;
    virtual int32_t getTerminatedByteLength(const void* buffer) const = 0;
    virtual int32_t getOffsetOfChar(const void* buffer, int32_t bufferBytes,
                                    int32_t charIndex) const = 0;
    virtual int32_t findCharStart(const void* buffer, int32_t bufferBytes, int32_t pos) const = 0;
    virtual int32_t decodeCharAt(uint32_t& codePoint, const void* buffer, int32_t bufferBytes,
                                 int32_t pos) const = 0;
    virtual int32_t decodeNextChar(uint32_t& codePoint, const void* buffer, int32_t bufferBytes,
                                   int32_t pos) const = 0;
    virtual bool isUnicode() const = 0;
    virtual int32_t findPrevCharStart(const void* buffer, int32_t bufferBytes,
                                      int32_t pos) const = 0;
    // Returns the start of the character that ends at `pos`.
    virtual int32_t decodeCharBefore(uint32_t& codePoint, const void* buffer, int32_t bufferBytes,
                                     int32_t pos) const = 0;
    virtual int32_t decodePrevChar(uint32_t& codePoint, const void* buffer, int32_t bufferBytes,
                                   int32_t pos) const = 0;
    // Decodes up to `maxChars` characters forwards (skipping invalid bytes); `offsets`, when
    // given, receives each character's start. Returns the position reached.
    virtual int32_t decodeRun(uint32_t* codePoints, int32_t maxChars, int32_t& count,
                              const void* buffer, int32_t bufferBytes, int32_t pos,
                              int32_t* offsets) const = 0;
    // The same walking backwards from `pos`: the character ending at `pos` comes first.
    virtual int32_t decodeRunBackwards(uint32_t* codePoints, int32_t maxChars, int32_t& count,
                                       const void* buffer, int32_t bufferBytes, int32_t pos,
                                       int32_t* offsets) const = 0;
};

} // namespace tamu
