#include "tamu/CParserBase.h"

#include "tamu/CError.h"
#include "tamu/CPeekableInStream.h"
#include "tamu/CStringFormat.h"
#include "tamu/str.h"
#include "tamu/stringConv.h"

#include <cwctype>
#include <vector>

namespace tamu {

namespace {

[[noreturn]] void fail(const char* message) {
    throw CParseError(stringConv::fromUTF8(message));
}

char16_t unitOf(const uint8_t bytes[2]) {
    return static_cast<char16_t>(bytes[0] | (bytes[1] << 8));
}

P<IString> textOf(char16_t c) {
    return stringConv::fromUTF16(&c, 1);
}

} // namespace

CParserBase::CParserBase() = default;

CParserBase::~CParserBase() = default;

void CParserBase::setStream(const P<CPeekableInStream>& stream) {
    m_stream = stream;
}

int32_t CParserBase::charsAhead(int32_t count) {
    if (!m_stream)
        return 0;
    std::vector<uint8_t> bytes(static_cast<size_t>(count) * 2);
    int32_t got = 0;
    // A peek may come back short before the end; only an empty one means the end.
    while (got < count * 2) {
        int32_t more = m_stream->peek(bytes.data() + got, count * 2 - got);
        if (more <= 0)
            break;
        got += more;
    }
    m_stream->rewindPeek();
    return got / 2;
}

bool CParserBase::hasMore() const {
    return m_stream && !m_stream->isEOF();
}

char16_t CParserBase::peekChar() {
    uint8_t bytes[2];
    int32_t count = m_stream ? m_stream->peek(bytes, 2) : 0;
    if (m_stream)
        m_stream->rewindPeek();
    if (count < 2)
        fail("unexpected end of stream");
    return unitOf(bytes);
}

char16_t CParserBase::readChar() {
    uint8_t bytes[2];
    if (!m_stream || m_stream->read(bytes, 2) < 2)
        fail("unexpected end of stream");
    return unitOf(bytes);
}

void CParserBase::skip(int32_t count) {
    if (m_stream)
        m_stream->skip(count * 2);
}

void CParserBase::skipWhitespace() {
    while (hasMore()) {
        char16_t c = peekChar();
        if (c != u'\t' && c != u'\n' && c != u'\r' && c != u' ')
            return;
        skip(1);
    }
    fail("end of stream found while advancing ignored chars");
}

void CParserBase::expect(char16_t c) {
    if (!hasMore())
        fail("unexspected end of stream");
    char16_t found = readChar();
    if (found != c)
        throw CParseError(formatString("Expected char '%s' not found at postion %d - found '%s'",
                                       textOf(c), m_stream->getPosition(), textOf(found)));
}

void CParserBase::expectIgnoreCase(char16_t c) {
    auto upper = static_cast<char16_t>(std::towupper(c));
    auto lower = static_cast<char16_t>(std::towlower(c));
    char16_t next = peekChar();
    if (next == upper)
        expect(upper);
    else if (next == lower)
        expect(lower);
    else
        expect(c);
}

bool CParserBase::isZero() {
    return hasMore() && peekChar() == u'0';
}

bool CParserBase::isDigit() {
    return hasMore() && digitValue(peekChar(), false) >= 0;
}

bool CParserBase::isDigit1to9() {
    return hasMore() && digitValue(peekChar(), false) >= 1;
}

int32_t CParserBase::digitValue(char16_t ch, bool strict) {
    if (ch >= u'0' && ch <= u'9')
        return ch - u'0';
    if (strict)
        fail("not a number value");
    return -1;
}

} // namespace tamu
