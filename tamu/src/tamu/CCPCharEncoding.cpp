#include "CCPCharEncoding.h"

#include "charCodecAlgorithms.h"
#include "tamu/platform.h"
#include "unicodeCodecs.h"

#include <climits>
#include <cstdlib>
#include <cstring>
#include <cwchar>

namespace tamu {

namespace {

// A non-UTF-8 locale's multibyte encoding. Each character is converted on its own from the
// initial shift state, which covers the stateless encodings locales use in practice.
struct LocaleCodec {
    static constexpr int32_t unit = 1;

    int32_t maxBytes() const { return static_cast<int32_t>(MB_CUR_MAX); }

    int32_t decode(const uint8_t* b, int32_t bytes, int32_t pos, uint32_t& cp) const {
        std::mbstate_t state{};
        wchar_t wc = 0;
        size_t used = std::mbrtowc(&wc, reinterpret_cast<const char*>(b + pos),
                                   static_cast<size_t>(bytes - pos), &state);
        if (used == static_cast<size_t>(-1) || used == static_cast<size_t>(-2))
            return -1;
        cp = static_cast<uint32_t>(wc);
        return pos + (used == 0 ? 1 : static_cast<int32_t>(used));
    }

    // Multibyte encodings cannot be read backwards in general: try the shortest run of bytes
    // before `pos` that decodes to exactly one character ending there.
    int32_t decodeBefore(const uint8_t* b, int32_t pos, uint32_t& cp) const {
        int32_t longest = maxBytes();
        for (int32_t size = 1; size <= longest && size <= pos; ++size) {
            if (decode(b, pos, pos - size, cp) == pos)
                return pos - size;
        }
        return -1;
    }

    int32_t encodedSize(uint32_t cp) const {
        char out[MB_LEN_MAX];
        return encodeInto(cp, out);
    }

    void encode(uint32_t cp, uint8_t* out) const {
        char tmp[MB_LEN_MAX];
        int32_t size = encodeInto(cp, tmp);
        std::memcpy(out, tmp, static_cast<size_t>(size));
    }

    int32_t terminatedLength(const uint8_t* b) const {
        return static_cast<int32_t>(std::strlen(reinterpret_cast<const char*>(b)));
    }

private:
    static int32_t encodeInto(uint32_t cp, char* out) {
        if (cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
            return 0;
        std::mbstate_t state{};
        size_t size = std::wcrtomb(out, static_cast<wchar_t>(cp), &state);
        return size == static_cast<size_t>(-1) ? 0 : static_cast<int32_t>(size);
    }
};

// UTF-8 as the C runtime writes it: surrogates are not characters it can convert.
struct LocaleUtf8Codec : Utf8Codec {
    int32_t encodedSize(uint32_t cp) const {
        return cp >= 0xD800 && cp <= 0xDFFF ? 0 : Utf8Codec::encodedSize(cp);
    }
};

// Runs `op` with the codec that matches the current locale.
template <class Op>
auto withCodec(Op&& op) {
    if (platform::codePageIsUTF8())
        return op(LocaleUtf8Codec{});
    return op(LocaleCodec{});
}

} // namespace

uint32_t CCPCharEncoding::getId() const {
    return codePageEncodingId;
}

const char* CCPCharEncoding::getName() const {
    return "CodePage";
}

int32_t CCPCharEncoding::getMaxBytesPerChar() const {
    return withCodec([](const auto& c) { return c.maxBytes(); });
}

int32_t CCPCharEncoding::encodeChar(uint32_t cp, void* buffer, int32_t bufferBytes,
                                    int32_t pos) const {
    return withCodec(
        [&](const auto& c) { return charCodec::encodeChar(c, cp, buffer, bufferBytes, pos); });
}

int32_t CCPCharEncoding::getEncodedSize(uint32_t cp) const {
    if (cp == 0)
        return 1;
    return withCodec([&](const auto& c) { return c.encodedSize(cp); });
}

int32_t CCPCharEncoding::getCharSizeAt(const void* buffer, int32_t bytes, int32_t pos) const {
    return withCodec([&](const auto& c) { return charCodec::charSizeAt(c, buffer, bytes, pos); });
}

int32_t CCPCharEncoding::countChars(const void* buffer, int32_t bytes, int32_t pos) const {
    return withCodec([&](const auto& c) { return charCodec::countChars(c, buffer, bytes, pos); });
}

int32_t CCPCharEncoding::getTerminatedByteLength(const void* buffer) const {
    return static_cast<int32_t>(std::strlen(static_cast<const char*>(buffer)));
}

int32_t CCPCharEncoding::getOffsetOfChar(const void* buffer, int32_t bytes,
                                         int32_t charIndex) const {
    return withCodec(
        [&](const auto& c) { return charCodec::offsetOfChar(c, buffer, bytes, charIndex); });
}

int32_t CCPCharEncoding::findCharStart(const void* buffer, int32_t bytes, int32_t pos) const {
    return withCodec(
        [&](const auto& c) { return charCodec::findCharStart(c, buffer, bytes, pos); });
}

int32_t CCPCharEncoding::decodeCharAt(uint32_t& cp, const void* buffer, int32_t bytes,
                                      int32_t pos) const {
    return withCodec(
        [&](const auto& c) { return charCodec::decodeCharAt(c, cp, buffer, bytes, pos); });
}

int32_t CCPCharEncoding::decodeNextChar(uint32_t& cp, const void* buffer, int32_t bytes,
                                        int32_t pos) const {
    return withCodec(
        [&](const auto& c) { return charCodec::decodeNextChar(c, cp, buffer, bytes, pos); });
}

bool CCPCharEncoding::isUnicode() const {
    return false;
}

int32_t CCPCharEncoding::findPrevCharStart(const void* buffer, int32_t bytes, int32_t pos) const {
    return withCodec(
        [&](const auto& c) { return charCodec::findPrevCharStart(c, buffer, bytes, pos); });
}

int32_t CCPCharEncoding::decodeCharBefore(uint32_t& cp, const void* buffer, int32_t bytes,
                                          int32_t pos) const {
    return withCodec(
        [&](const auto& c) { return charCodec::decodeCharBefore(c, cp, buffer, bytes, pos); });
}

int32_t CCPCharEncoding::decodePrevChar(uint32_t& cp, const void* buffer, int32_t bytes,
                                        int32_t pos) const {
    return withCodec(
        [&](const auto& c) { return charCodec::decodePrevChar(c, cp, buffer, bytes, pos); });
}

int32_t CCPCharEncoding::decodeRun(uint32_t* cps, int32_t maxChars, int32_t& count,
                                   const void* buffer, int32_t bytes, int32_t pos,
                                   int32_t* offsets) const {
    return withCodec([&](const auto& c) {
        return charCodec::decodeRun(c, cps, maxChars, count, buffer, bytes, pos, offsets);
    });
}

int32_t CCPCharEncoding::decodeRunBackwards(uint32_t* cps, int32_t maxChars, int32_t& count,
                                            const void* buffer, int32_t bytes, int32_t pos,
                                            int32_t* offsets) const {
    return withCodec([&](const auto& c) {
        return charCodec::decodeRunBackwards(c, cps, maxChars, count, buffer, bytes, pos, offsets);
    });
}

} // namespace tamu
