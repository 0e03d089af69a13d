#pragma once

#include <cstdint>

// The operations of an encoding built from a codec's three primitives (decode at, decode
// before, encode). Kept as templates so every encoding gets its own loops with the codec inlined.
namespace tamu::charCodec {

inline const uint8_t* bytesOf(const void* buffer) {
    return static_cast<const uint8_t*>(buffer);
}

// Start of the first valid character at or after `pos` (its code point and end in the outs),
// or -1 when none is left.
template <class C>
inline int32_t nextChar(const C& c, const uint8_t* b, int32_t bytes, int32_t pos, uint32_t& cp,
                        int32_t& end) {
    if (pos < 0)
        pos = 0;
    while (pos < bytes) {
        int32_t after = c.decode(b, bytes, pos, cp);
        if (after >= 0) {
            end = after;
            return pos;
        }
        pos += C::unit;
    }
    return -1;
}

// Start of the last valid character that ends at or before `pos`, or -1.
template <class C>
inline int32_t prevChar(const C& c, const uint8_t* b, int32_t bytes, int32_t pos, uint32_t& cp) {
    if (pos > bytes)
        pos = bytes;
    while (pos > 0) {
        int32_t start = c.decodeBefore(b, pos, cp);
        if (start >= 0)
            return start;
        pos -= C::unit;
    }
    return -1;
}

template <class C>
int32_t encodeChar(const C& c, uint32_t cp, void* buffer, int32_t bufferBytes, int32_t pos) {
    int32_t size = c.encodedSize(cp);
    if (size == 0 || pos < 0 || bufferBytes - pos < size)
        return pos;
    c.encode(cp, static_cast<uint8_t*>(buffer) + pos);
    return pos + size;
}

template <class C>
int32_t charSizeAt(const C& c, const void* buffer, int32_t bytes, int32_t pos) {
    if (pos < 0 || pos >= bytes)
        return -1;
    uint32_t cp;
    int32_t after = c.decode(bytesOf(buffer), bytes, pos, cp);
    return after < 0 ? -1 : after - pos;
}

template <class C>
int32_t countChars(const C& c, const void* buffer, int32_t bytes, int32_t pos) {
    const uint8_t* b = bytesOf(buffer);
    int32_t count = 0;
    uint32_t cp;
    int32_t end;
    while ((pos = nextChar(c, b, bytes, pos, cp, end)) >= 0) {
        ++count;
        pos = end;
    }
    return count;
}

template <class C>
int32_t offsetOfChar(const C& c, const void* buffer, int32_t bytes, int32_t charIndex) {
    if (charIndex < 0)
        return -1;
    const uint8_t* b = bytesOf(buffer);
    int32_t pos = 0;
    uint32_t cp;
    int32_t end;
    while ((pos = nextChar(c, b, bytes, pos, cp, end)) >= 0) {
        if (charIndex-- == 0)
            return pos;
        pos = end;
    }
    return -1;
}

template <class C>
int32_t findCharStart(const C& c, const void* buffer, int32_t bytes, int32_t pos) {
    uint32_t cp;
    int32_t end;
    return nextChar(c, bytesOf(buffer), bytes, pos, cp, end);
}

template <class C>
int32_t decodeCharAt(const C& c, uint32_t& cp, const void* buffer, int32_t bytes, int32_t pos) {
    if (pos < 0 || pos >= bytes)
        return -1;
    return c.decode(bytesOf(buffer), bytes, pos, cp);
}

template <class C>
int32_t decodeNextChar(const C& c, uint32_t& cp, const void* buffer, int32_t bytes, int32_t pos) {
    int32_t end;
    return nextChar(c, bytesOf(buffer), bytes, pos, cp, end) < 0 ? -1 : end;
}

template <class C>
int32_t findPrevCharStart(const C& c, const void* buffer, int32_t bytes, int32_t pos) {
    uint32_t cp;
    return prevChar(c, bytesOf(buffer), bytes, pos, cp);
}

template <class C>
int32_t decodeCharBefore(const C& c, uint32_t& cp, const void* buffer, int32_t bytes, int32_t pos) {
    if (pos <= 0 || pos > bytes)
        return -1;
    return c.decodeBefore(bytesOf(buffer), pos, cp);
}

template <class C>
int32_t decodePrevChar(const C& c, uint32_t& cp, const void* buffer, int32_t bytes, int32_t pos) {
    return prevChar(c, bytesOf(buffer), bytes, pos, cp);
}

template <class C>
int32_t decodeRun(const C& c, uint32_t* cps, int32_t maxChars, int32_t& count, const void* buffer,
                  int32_t bytes, int32_t pos, int32_t* offsets) {
    const uint8_t* b = bytesOf(buffer);
    count = 0;
    int32_t end;
    while (count < maxChars) {
        int32_t start = nextChar(c, b, bytes, pos, cps[count], end);
        if (start < 0)
            return pos < bytes ? bytes : pos;
        if (offsets)
            offsets[count] = start;
        ++count;
        pos = end;
    }
    return pos;
}

template <class C>
int32_t decodeRunBackwards(const C& c, uint32_t* cps, int32_t maxChars, int32_t& count,
                           const void* buffer, int32_t bytes, int32_t pos, int32_t* offsets) {
    const uint8_t* b = bytesOf(buffer);
    count = 0;
    while (count < maxChars) {
        int32_t start = prevChar(c, b, bytes, pos, cps[count]);
        if (start < 0)
            return pos > 0 ? 0 : pos;
        if (offsets)
            offsets[count] = start;
        ++count;
        pos = start;
    }
    return pos;
}

} // namespace tamu::charCodec
