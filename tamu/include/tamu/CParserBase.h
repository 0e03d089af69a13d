#pragma once

#include "tamu/CObject.h"
#include "tamu/P.h"

#include <cstdint>

namespace tamu {

class CPeekableInStream;

// Character steps for parsers of UTF-16 text: a character is one code unit, two bytes of the
// stream, low byte first. Every failure here is a CParseError.
class CParserBase : public CObject {
public:
    CParserBase();
    ~CParserBase() override;

    bool hasMore() const;
    // "unexpected end of stream" at the end.
    char16_t peekChar();
    // Consumes one character; "unexpected end of stream" at the end.
    char16_t readChar();
    void skip(int32_t count);
    // Past tabs, line feeds, carriage returns and blanks. Running into the end here fails with
    // "end of stream found while advancing ignored chars": something must follow.
    void skipWhitespace();
    // Consumes one character, which must be `c`.
    void expect(char16_t c);
    // The same for either letter case of `c`.
    void expectIgnoreCase(char16_t c);
    // False at the end.
    bool isZero();
    bool isDigit();
    bool isDigit1to9();
    // 0 to 9, or -1 for another character (a "not a number value" failure when strict).
    static int32_t digitValue(char16_t ch, bool strict);

protected:
    void setStream(const P<CPeekableInStream>& stream);
    // How many of the next `count` characters there are, without consuming any.
    int32_t charsAhead(int32_t count);

private:
    P<CPeekableInStream> m_stream;
};

} // namespace tamu
