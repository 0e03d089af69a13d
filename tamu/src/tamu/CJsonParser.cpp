#include "tamu/CJsonParser.h"
#include "tamu/jsonEscapes.h"

#include "tamu/CError.h"
#include "tamu/CPeekableInStream.h"
#include "tamu/CStringFormat.h"
#include "tamu/CStringInStream.h"
#include "tamu/CVariant.h"
#include "tamu/CVariantArray.h"
#include "tamu/CVariantMap.h"
#include "tamu/IString.h"
#include "tamu/str.h"
#include "tamu/stringConv.h"

#include <cmath>
#include <limits>
#include <string>

namespace tamu {

namespace {

[[noreturn]] void fail(const char* message) {
    throw CJsonParserError(stringConv::fromUTF8(message));
}

int32_t hexValue(char16_t ch) {
    if (ch >= u'0' && ch <= u'9')
        return ch - u'0';
    if (ch >= u'A' && ch <= u'F')
        return ch - u'A' + 10;
    if (ch >= u'a' && ch <= u'f')
        return ch - u'a' + 10;
    return -1;
}

// Toward zero; out of range the answer is the one x86 processors give, the lowest value.
int64_t truncated(double value) {
    constexpr double limit = 9223372036854775808.0;
    if (!(value >= -limit && value < limit))
        return std::numeric_limits<int64_t>::min();
    return static_cast<int64_t>(value);
}

// One step of ten per unit of the exponent rather than pow(), whose rounding differs in the last
// bits. Once the value is zero or infinite further steps change nothing, which keeps an
// exponent of a billion from taking seconds.
double scaled(double value, int32_t exponent) {
    if (exponent > 0) {
        for (int64_t i = 0; i < exponent && value != 0.0 && std::isfinite(value); ++i)
            value *= 10.0;
    } else {
        int64_t steps = -static_cast<int64_t>(exponent);
        for (int64_t i = 0; i < steps && value != 0.0 && std::isfinite(value); ++i)
            value /= 10.0;
    }
    return value;
}

} // namespace

CJsonParser::CJsonParser() = default;

CJsonParser::~CJsonParser() = default;

P<IVariant> CJsonParser::parse(const P<IString>& text) {
    if (!text || text->isEmpty())
        return nullptr;
    P<IString> units = stringConv::toUTF16(text);
    setStream(make<CPeekableInStream>(make<CStringInStream>(
        static_cast<const char16_t*>(units->getData()), units->getByteLength() / 2)));
    char16_t c = peekChar();
    while (c != u'{' && c != u'[') {
        skip(1);
        c = peekChar();
    }
    return c == u'{' ? parseObject() : parseArray();
}

P<IVariant> CJsonParser::parseValue() {
    skipWhitespace();
    char16_t c = peekChar();
    switch (c) {
    case u'"':
        return parseString();
    case u'-':
    case u'0':
    case u'1':
    case u'2':
    case u'3':
    case u'4':
    case u'5':
    case u'6':
    case u'7':
    case u'8':
    case u'9':
        return parseNumber();
    case u't':
    case u'T':
    case u'f':
    case u'F':
        return parseBoolean();
    case u'{':
        return parseObject();
    case u'[':
        return parseArray();
    case u'n':
    case u'N':
        return parseNull();
    default:
        fail("unknown object for parse value");
    }
}

P<IVariant> CJsonParser::parseObject() {
    skipWhitespace();
    expect(u'{');
    auto map = make<CVariantMap>();
    skipWhitespace();
    if (peekChar() == u'}') {
        skip(1);
        return map;
    }
    for (;;) {
        skipWhitespace();
        P<CVariantString> key = parseString();
        if (!key)
            fail("could not parse key");
        skipWhitespace();
        expect(u':');
        skipWhitespace();
        P<IVariant> value = parseValue();
        if (!value)
            fail("unknown value in stream");
        map->set(key->getValue(), value);
        skipWhitespace();
        if (peekChar() != u',')
            break;
        skip(1);
    }
    skipWhitespace();
    expect(u'}');
    return map;
}

P<IVariant> CJsonParser::parseArray() {
    skipWhitespace();
    expect(u'[');
    auto array = make<CVariantArray>();
    skipWhitespace();
    if (peekChar() == u']') {
        skip(1);
        return array;
    }
    array->append(parseValue());
    skipWhitespace();
    while (peekChar() == u',') {
        skip(1);
        array->append(parseValue());
        skipWhitespace();
    }
    expect(u']');
    return array;
}

P<CVariantString> CJsonParser::parseString() {
    skipWhitespace();
    expect(u'"');
    if (peekChar() == u'"') {
        skip(1);
        return make<CVariantString>(emptyString());
    }
    std::u16string text;
    bool escaped = false;
    for (;;) {
        if (!hasMore())
            fail("unexspected end of stream");
        char16_t ch = readChar();
        if (!escaped) {
            if (ch == u'\\')
                escaped = true;
            else
                text += ch;
        } else {
            escaped = false;
            if (ch == u'u' || ch == u'U') {
                text += parseUnicodeEscape();
            } else if (ch == u'/') {
                text += ch;
            } else {
                const json::Escape* escape = json::findEscape(&json::Escape::letter, ch);
                if (!escape)
                    throw CJsonParserError(formatString("unknown char in excaped string: %s",
                                                        stringConv::fromUTF16(&ch, 1)));
                text += escape->unit;
            }
        }
        // At the end the next round reports the missing quotation mark.
        if (!escaped && hasMore() && peekChar() == u'"') {
            skip(1);
            return make<CVariantString>(stringConv::fromStd(text));
        }
    }
}

// Four hex digits, most significant first, make one code unit; surrogates are taken as they
// come.
char16_t CJsonParser::parseUnicodeEscape() {
    if (charsAhead(4) < 4)
        fail("stream size to small for reading unicode char");
    uint32_t unit = 0;
    for (int i = 0; i < 4; ++i) {
        int32_t digit = hexValue(readChar());
        if (digit < 0)
            fail("could not parse unicode escaped string");
        unit = unit * 16 + static_cast<uint32_t>(digit);
    }
    return static_cast<char16_t>(unit);
}

P<IVariant> CJsonParser::parseNumber() {
    bool negative = false;
    if (peekChar() == u'-') {
        skip(1);
        negative = true;
    }
    // Unsigned steps: a number too long for 64 bits wraps instead of overflowing.
    uint64_t integer = 0;
    if (isZero()) {
        skip(1);
    } else if (isDigit1to9()) {
        while (isDigit())
            integer = integer * 10 + static_cast<uint64_t>(digitValue(readChar(), true));
    }
    double fraction = 0.0;
    if (hasMore() && peekChar() == u'.') {
        skip(1);
        double divisor = 1.0;
        while (isDigit()) {
            divisor *= 10.0;
            fraction += digitValue(readChar(), true) / divisor;
        }
    }
    uint32_t exponentDigits = 0;
    bool negativeExponent = false;
    if (hasMore() && (peekChar() == u'e' || peekChar() == u'E')) {
        skip(1);
        if (hasMore() && peekChar() == u'-') {
            skip(1);
            negativeExponent = true;
        }
        if (hasMore() && peekChar() == u'+')
            skip(1);
        while (isDigit())
            exponentDigits =
                exponentDigits * 10 + static_cast<uint32_t>(digitValue(readChar(), true));
    }
    auto exponent = static_cast<int32_t>(negativeExponent ? 0u - exponentDigits : exponentDigits);

    double value = static_cast<double>(static_cast<int64_t>(integer)) + fraction;
    if (negative)
        value = -value;
    value = scaled(value, exponent);
    if (std::fabs(fraction) < 0.00001 && exponent < 2)
        return make<CVariantInt64>(truncated(value));
    return make<CVariantDouble>(value);
}

P<IVariant> CJsonParser::parseBoolean() {
    std::u16string word;
    while (word.size() < 4 && hasMore())
        word += readChar();
    if (stringConv::fromStd(word)->equals("true"))
        return make<CVariantBoolean>(true);
    if (word == u"fals" && hasMore() && peekChar() == u'e') {
        skip(1);
        return make<CVariantBoolean>(false);
    }
    fail("could not parse boolean value");
}

P<IVariant> CJsonParser::parseNull() {
    expectIgnoreCase(u'n');
    expectIgnoreCase(u'u');
    expectIgnoreCase(u'l');
    expectIgnoreCase(u'l');
    return make<CVariantNull>();
}

} // namespace tamu
