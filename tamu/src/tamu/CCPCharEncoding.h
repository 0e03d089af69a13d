#pragma once

#include "tamu/CObject.h"
#include "tamu/ICharEncoding.h"

namespace tamu {

// The C runtime's multibyte encoding of the current locale, through mbrtowc / wcrtomb. A locale
// whose code set is UTF-8 or ASCII ("C", "POSIX") is handled as UTF-8 (see charEncodings.h).
// Every operation looks at the locale again, so the encoding follows setlocale and uselocale.
class CCPCharEncoding final : public CObject, public virtual ICharEncoding {
public:
    uint32_t getId() const override;
    const char* getName() const override;
    int32_t getMaxBytesPerChar() const override;
    int32_t encodeChar(uint32_t cp, void* buffer, int32_t bufferBytes, int32_t pos) const override;
    int32_t getEncodedSize(uint32_t cp) const override;
    int32_t getCharSizeAt(const void* buffer, int32_t bytes, int32_t pos) const override;
    int32_t countChars(const void* buffer, int32_t bytes, int32_t pos) const override;
    int32_t getTerminatedByteLength(const void* buffer) const override;
    int32_t getOffsetOfChar(const void* buffer, int32_t bytes, int32_t charIndex) const override;
    int32_t findCharStart(const void* buffer, int32_t bytes, int32_t pos) const override;
    int32_t decodeCharAt(uint32_t& cp, const void* buffer, int32_t bytes,
                         int32_t pos) const override;
    int32_t decodeNextChar(uint32_t& cp, const void* buffer, int32_t bytes,
                           int32_t pos) const override;
    bool isUnicode() const override;
    int32_t findPrevCharStart(const void* buffer, int32_t bytes, int32_t pos) const override;
    int32_t decodeCharBefore(uint32_t& cp, const void* buffer, int32_t bytes,
                             int32_t pos) const override;
    int32_t decodePrevChar(uint32_t& cp, const void* buffer, int32_t bytes,
                           int32_t pos) const override;
    int32_t decodeRun(uint32_t* cps, int32_t maxChars, int32_t& count, const void* buffer,
                      int32_t bytes, int32_t pos, int32_t* offsets) const override;
    int32_t decodeRunBackwards(uint32_t* cps, int32_t maxChars, int32_t& count, const void* buffer,
                               int32_t bytes, int32_t pos, int32_t* offsets) const override;
};

} // namespace tamu
