#pragma once

#include "tamu/ICharEncoding.h"

#include <cstdint>
#include <cstring>

// The byte-level rules of the Unicode encodings, as inline codecs that the generic encoding
// algorithms (TCharEncoding) are instantiated with. Each codec decodes one character at a
// position (returning the position after it, or -1 when invalid or cut off), decodes the
// character that ends at a position (returning its start, or -1), and encodes.
namespace tamu {

struct Utf8Codec {
    static constexpr uint32_t id = utf8EncodingId;
    static constexpr int32_t unit = 1;
    static constexpr bool unicode = true;
    static const char* name() { return "UTF-8"; }
    int32_t maxBytes() const { return 4; }

    // Requires 0 <= pos < bytes.
    int32_t decode(const uint8_t* b, int32_t bytes, int32_t pos, uint32_t& cp) const {
        uint32_t lead = b[pos];
        if (lead < 0x80) {
            cp = lead;
            return pos + 1;
        }
        // A continuation byte cannot start a character; 0xC0 and 0xC1 only ever start overlong
        // forms, 0xF5 and above only code points beyond U+10FFFF.
        if (lead <= 0xC1 || lead >= 0xF5)
            return -1;
        int32_t trail;
        uint32_t value;
        if (lead < 0xE0) {
            trail = 1;
            value = lead & 0x1F;
        } else if (lead < 0xF0) {
            trail = 2;
            value = lead & 0x0F;
        } else {
            trail = 3;
            value = lead & 0x07;
        }
        if (bytes - pos - 1 < trail)
            return -1;
        for (int32_t i = 1; i <= trail; ++i) {
            uint32_t next = b[pos + i];
            if ((next & 0xC0) != 0x80)
                return -1;
            value = (value << 6) | (next & 0x3F);
        }
        // Only the shortest form of a character is one: a longer form of '.' or '/' must not
        // read as a '.' or a '/' where a path is checked. Surrogates are no characters.
        static constexpr uint32_t smallest[] = {0, 0x80, 0x800, 0x10000};
        if (value < smallest[trail] || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF))
            return -1;
        cp = value;
        return pos + 1 + trail;
    }

    // Requires 0 < pos.
    int32_t decodeBefore(const uint8_t* b, int32_t pos, uint32_t& cp) const {
        int32_t start = pos - 1;
        if (b[start] < 0x80) {
            cp = b[start];
            return start;
        }
        while (start > 0 && pos - start < 4 && (b[start] & 0xC0) == 0x80)
            --start;
        return decode(b, pos, start, cp) == pos ? start : -1;
    }

    int32_t encodedSize(uint32_t cp) const {
        if (cp < 0x80)
            return 1;
        if (cp < 0x800)
            return 2;
        if (cp < 0x10000)
            return 3;
        return cp <= 0x10FFFF ? 4 : 0;
    }

    void encode(uint32_t cp, uint8_t* out) const {
        if (cp < 0x80) {
            out[0] = static_cast<uint8_t>(cp);
        } else if (cp < 0x800) {
            out[0] = static_cast<uint8_t>(0xC0 | (cp >> 6));
            out[1] = static_cast<uint8_t>(0x80 | (cp & 0x3F));
        } else if (cp < 0x10000) {
            out[0] = static_cast<uint8_t>(0xE0 | (cp >> 12));
            out[1] = static_cast<uint8_t>(0x80 | ((cp >> 6) & 0x3F));
            out[2] = static_cast<uint8_t>(0x80 | (cp & 0x3F));
        } else {
            out[0] = static_cast<uint8_t>(0xF0 | (cp >> 18));
            out[1] = static_cast<uint8_t>(0x80 | ((cp >> 12) & 0x3F));
            out[2] = static_cast<uint8_t>(0x80 | ((cp >> 6) & 0x3F));
            out[3] = static_cast<uint8_t>(0x80 | (cp & 0x3F));
        }
    }

    int32_t terminatedLength(const uint8_t* b) const {
        return static_cast<int32_t>(std::strlen(reinterpret_cast<const char*>(b)));
    }
};

// Native (little-endian) 16-bit units; text may sit at any byte address.
struct Utf16Codec {
    static constexpr uint32_t id = utf16EncodingId;
    static constexpr int32_t unit = 2;
    static constexpr bool unicode = true;
    static const char* name() { return "UTF-16"; }
    int32_t maxBytes() const { return 4; }

    static uint32_t unitAt(const uint8_t* b, int32_t pos) {
        uint16_t u;
        std::memcpy(&u, b + pos, 2);
        return u;
    }
    static bool isHigh(uint32_t u) { return u >= 0xD800 && u <= 0xDBFF; }
    static bool isLow(uint32_t u) { return u >= 0xDC00 && u <= 0xDFFF; }

    int32_t decode(const uint8_t* b, int32_t bytes, int32_t pos, uint32_t& cp) const {
        if (bytes - pos < 2)
            return -1;
        uint32_t u = unitAt(b, pos);
        if (u < 0xD800 || u > 0xDFFF) {
            cp = u;
            return pos + 2;
        }
        if (!isHigh(u) || bytes - pos < 4)
            return -1;
        uint32_t low = unitAt(b, pos + 2);
        if (!isLow(low))
            return -1;
        cp = 0x10000 + ((u & 0x3FF) << 10) + (low & 0x3FF);
        return pos + 4;
    }

    int32_t decodeBefore(const uint8_t* b, int32_t pos, uint32_t& cp) const {
        if (pos < 2)
            return -1;
        uint32_t u = unitAt(b, pos - 2);
        if (u < 0xD800 || u > 0xDFFF) {
            cp = u;
            return pos - 2;
        }
        if (!isLow(u) || pos < 4)
            return -1;
        uint32_t high = unitAt(b, pos - 4);
        if (!isHigh(high))
            return -1;
        cp = 0x10000 + ((high & 0x3FF) << 10) + (u & 0x3FF);
        return pos - 4;
    }

    int32_t encodedSize(uint32_t cp) const {
        if (cp >= 0xD800 && cp <= 0xDFFF)
            return 0;
        if (cp < 0x10000)
            return 2;
        return cp <= 0x10FFFF ? 4 : 0;
    }

    void encode(uint32_t cp, uint8_t* out) const {
        if (cp < 0x10000) {
            uint16_t u = static_cast<uint16_t>(cp);
            std::memcpy(out, &u, 2);
            return;
        }
        cp -= 0x10000;
        uint16_t pair[2] = {static_cast<uint16_t>(0xD800 | (cp >> 10)),
                            static_cast<uint16_t>(0xDC00 | (cp & 0x3FF))};
        std::memcpy(out, pair, 4);
    }

    int32_t terminatedLength(const uint8_t* b) const {
        int32_t pos = 0;
        while (unitAt(b, pos) != 0)
            pos += 2;
        return pos;
    }
};

// Native 32-bit units taken as they are: every value is a character.
struct Utf32Codec {
    static constexpr uint32_t id = utf32EncodingId;
    static constexpr int32_t unit = 4;
    static constexpr bool unicode = true;
    static const char* name() { return "UTF-32"; }
    int32_t maxBytes() const { return 4; }

    static uint32_t unitAt(const uint8_t* b, int32_t pos) {
        uint32_t u;
        std::memcpy(&u, b + pos, 4);
        return u;
    }

    int32_t decode(const uint8_t* b, int32_t bytes, int32_t pos, uint32_t& cp) const {
        if (bytes - pos < 4)
            return -1;
        cp = unitAt(b, pos);
        return pos + 4;
    }
    int32_t decodeBefore(const uint8_t* b, int32_t pos, uint32_t& cp) const {
        if (pos < 4)
            return -1;
        cp = unitAt(b, pos - 4);
        return pos - 4;
    }
    int32_t encodedSize(uint32_t) const { return 4; }
    void encode(uint32_t cp, uint8_t* out) const { std::memcpy(out, &cp, 4); }
    int32_t terminatedLength(const uint8_t* b) const {
        int32_t pos = 0;
        while (unitAt(b, pos) != 0)
            pos += 4;
        return pos;
    }
};

// One byte per character, the byte being the code point; what it cannot hold becomes '?'.
struct Latin1Codec {
    static constexpr uint32_t id = latin1EncodingId;
    static constexpr int32_t unit = 1;
    static constexpr bool unicode = true;
    static const char* name() { return "Latin-1"; }
    int32_t maxBytes() const { return 1; }

    int32_t decode(const uint8_t* b, int32_t, int32_t pos, uint32_t& cp) const {
        cp = b[pos];
        return pos + 1;
    }
    int32_t decodeBefore(const uint8_t* b, int32_t pos, uint32_t& cp) const {
        cp = b[pos - 1];
        return pos - 1;
    }
    int32_t encodedSize(uint32_t) const { return 1; }
    void encode(uint32_t cp, uint8_t* out) const {
        out[0] = cp < 0x100 ? static_cast<uint8_t>(cp) : static_cast<uint8_t>('?');
    }
    int32_t terminatedLength(const uint8_t* b) const {
        return static_cast<int32_t>(std::strlen(reinterpret_cast<const char*>(b)));
    }
};

} // namespace tamu
