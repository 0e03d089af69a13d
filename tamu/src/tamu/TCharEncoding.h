#pragma once

#include "charCodecAlgorithms.h"
#include "tamu/CObject.h"
#include "tamu/ICharEncoding.h"

namespace tamu {

// An encoding whose every operation is the generic algorithm instantiated with `Codec`.
template <class Codec>
class TCharEncoding : public CObject, public virtual ICharEncoding {
public:
    uint32_t getId() const override { return Codec::id; }
    const char* getName() const override { return Codec::name(); }
    int32_t getMaxBytesPerChar() const override { return m_codec.maxBytes(); }
    int32_t encodeChar(uint32_t cp, void* buffer, int32_t bufferBytes, int32_t pos) const override {
        return charCodec::encodeChar(m_codec, cp, buffer, bufferBytes, pos);
    }
    int32_t getEncodedSize(uint32_t cp) const override { return m_codec.encodedSize(cp); }
    int32_t getCharSizeAt(const void* buffer, int32_t bytes, int32_t pos) const override {
        return charCodec::charSizeAt(m_codec, buffer, bytes, pos);
    }
    int32_t countChars(const void* buffer, int32_t bytes, int32_t pos) const override {
        return charCodec::countChars(m_codec, buffer, bytes, pos);
    }
    int32_t getTerminatedByteLength(const void* buffer) const override {
        return m_codec.terminatedLength(charCodec::bytesOf(buffer));
    }
    int32_t getOffsetOfChar(const void* buffer, int32_t bytes, int32_t charIndex) const override {
        return charCodec::offsetOfChar(m_codec, buffer, bytes, charIndex);
    }
    int32_t findCharStart(const void* buffer, int32_t bytes, int32_t pos) const override {
        return charCodec::findCharStart(m_codec, buffer, bytes, pos);
    }
    int32_t decodeCharAt(uint32_t& cp, const void* buffer, int32_t bytes,
                         int32_t pos) const override {
        return charCodec::decodeCharAt(m_codec, cp, buffer, bytes, pos);
    }
    int32_t decodeNextChar(uint32_t& cp, const void* buffer, int32_t bytes,
                           int32_t pos) const override {
        return charCodec::decodeNextChar(m_codec, cp, buffer, bytes, pos);
    }
    bool isUnicode() const override { return Codec::unicode; }
    int32_t findPrevCharStart(const void* buffer, int32_t bytes, int32_t pos) const override {
        return charCodec::findPrevCharStart(m_codec, buffer, bytes, pos);
    }
    int32_t decodeCharBefore(uint32_t& cp, const void* buffer, int32_t bytes,
                             int32_t pos) const override {
        return charCodec::decodeCharBefore(m_codec, cp, buffer, bytes, pos);
    }
    int32_t decodePrevChar(uint32_t& cp, const void* buffer, int32_t bytes,
                           int32_t pos) const override {
        return charCodec::decodePrevChar(m_codec, cp, buffer, bytes, pos);
    }
    int32_t decodeRun(uint32_t* cps, int32_t maxChars, int32_t& count, const void* buffer,
                      int32_t bytes, int32_t pos, int32_t* offsets) const override {
        return charCodec::decodeRun(m_codec, cps, maxChars, count, buffer, bytes, pos, offsets);
    }
    int32_t decodeRunBackwards(uint32_t* cps, int32_t maxChars, int32_t& count, const void* buffer,
                               int32_t bytes, int32_t pos, int32_t* offsets) const override {
        return charCodec::decodeRunBackwards(m_codec, cps, maxChars, count, buffer, bytes, pos,
                                             offsets);
    }

private:
    [[no_unique_address]] Codec m_codec;
};

} // namespace tamu
