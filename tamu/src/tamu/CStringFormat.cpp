#include "tamu/CStringFormat.h"

#include "charEncodingInstances.h"
#include "tamu/CObjectError.h"
#include "tamu/ICharEncoding.h"
#include "tamu/IString.h"
#include "tamu/platform.h"
#include "tamu/stringConv.h"

#include <algorithm>
#include <cstdint>
#include <limits>
#include <string>

namespace tamu {

namespace {

constexpr const char* pushIntName = "CStringFormat::doInt";
constexpr const char* pushDoubleName = "CStringFormat::doDouble";
constexpr const char* pushCharName = "CStringFormat::doChar";
constexpr const char* pushStringName = "CStringFormat::doString";
constexpr const char* parseName = "CStringFormat::goToNextFormatField";

constexpr const char* mismatchText =
    "argument does not match the field's format specification for '";

int32_t clampToInt32(int64_t value) {
    return static_cast<int32_t>(std::clamp<int64_t>(value, std::numeric_limits<int32_t>::min(),
                                                    std::numeric_limits<int32_t>::max()));
}

// Bytes of the UTF-8 character that starts with `lead` (1 for a stray byte, so a scan always
// moves on).
size_t utf8CharSize(unsigned char lead) {
    if (lead >= 0xF0)
        return 4;
    if (lead >= 0xE0)
        return 3;
    if (lead >= 0xC0)
        return 2;
    return 1;
}

// The character as UTF-8; nothing for a value no character can have.
std::string encodeUTF8(char32_t codePoint) {
    char bytes[4];
    int32_t end = utf8EncodingInstance()->encodeChar(static_cast<uint32_t>(codePoint), bytes,
                                                     sizeof bytes, 0);
    return std::string(bytes, static_cast<size_t>(end));
}

// Decimal digits without std::to_string, whose libstdc++ helpers would be exported by the
// plug-in as weak symbols.
std::string decimalText(uint64_t magnitude, bool negative) {
    char buffer[21];
    char* end = buffer + sizeof buffer;
    char* first = end;
    do {
        *--first = static_cast<char>('0' + magnitude % 10);
        magnitude /= 10;
    } while (magnitude != 0);
    if (negative)
        *--first = '-';
    return std::string(first, end);
}

std::string decimalText(int64_t value) {
    const uint64_t bits = static_cast<uint64_t>(value);
    return decimalText(value < 0 ? 0 - bits : bits, value < 0);
}

} // namespace

CStringFormat::CStringFormat(const P<IString>& format)
    : m_format(format ? format : emptyString()), m_formatText(stringConv::toStdString(*m_format)) {
    goToNextFormatField();
}

CStringFormat::~CStringFormat() = default;

// --- pushing arguments

void CStringFormat::pushInteger(uint64_t bits, bool isSigned, int32_t typeBits) {
    int64_t starValue =
        isSigned
            ? static_cast<int64_t>(bits)
            : static_cast<int64_t>(std::min<uint64_t>(bits, std::numeric_limits<int64_t>::max()));
    if (supplyStar(starValue))
        return;
    switch (m_fieldType) {
    case integerField:
        appendInteger(bits, isSigned, typeBits);
        break;
    case floatingField:
        appendDouble(isSigned ? static_cast<double>(static_cast<int64_t>(bits))
                              : static_cast<double>(bits));
        break;
    case stringField:
        appendString(*stringConv::fromStd(isSigned ? decimalText(static_cast<int64_t>(bits))
                                                   : decimalText(bits, false)));
        break;
    default:
        fail(pushIntName, mismatchText);
    }
    goToNextFormatField();
}

CStringFormat& CStringFormat::doDouble(double value) {
    rejectPendingStar(pushDoubleName);
    if (m_fieldType != floatingField)
        fail(pushDoubleName, mismatchText);
    appendDouble(value);
    goToNextFormatField();
    return *this;
}

CStringFormat& CStringFormat::doChar(char32_t codePoint) {
    rejectPendingStar(pushCharName);
    switch (m_fieldType) {
    case characterField:
        appendChar(codePoint);
        break;
    case stringField:
        appendString(*stringConv::fromStd(encodeUTF8(codePoint)));
        break;
    case integerField:
        appendInteger(static_cast<uint32_t>(codePoint), false, 32);
        break;
    default:
        fail(pushCharName, mismatchText);
    }
    goToNextFormatField();
    return *this;
}

CStringFormat& CStringFormat::doString(const IString& text) {
    rejectPendingStar(pushStringName);
    if (m_fieldType != stringField)
        fail(pushStringName, mismatchText);
    appendString(text);
    goToNextFormatField();
    return *this;
}

CStringFormat& CStringFormat::doString(const P<IString>& text) {
    return doString(text ? *text : *emptyString());
}

CStringFormat& CStringFormat::doString(const char* text) {
    return doString(*stringConv::fromUTF8(text));
}

P<IString> CStringFormat::toString() const {
    // No object is named: describing this one would call toString again.
    if (m_fieldType != noField)
        throw CInvalidObjectStateError(
            nullptr, str("CStringFormat: not all parameters have been pushed in yet."));
    return stringConv::fromStd(m_result);
}

bool CStringFormat::supplyStar(int64_t value) {
    if (m_widthFromArg) {
        m_widthFromArg = false;
        // A negative width asks for left alignment, as in printf.
        if (value < 0) {
            m_leftAlign = true;
            value = value == std::numeric_limits<int64_t>::min()
                        ? std::numeric_limits<int64_t>::max()
                        : -value;
        }
        m_width = clampToInt32(value);
        return true;
    }
    if (m_precisionFromArg) {
        m_precisionFromArg = false;
        // A negative precision counts as none given.
        m_precision = value < 0 ? -1 : clampToInt32(value);
        return true;
    }
    return false;
}

void CStringFormat::rejectPendingStar(const char* method) const {
    if (m_widthFromArg)
        fail(method, "expected integer value (field width) in '");
    if (m_precisionFromArg)
        fail(method, "expected integer value (field precision) in '");
}

void CStringFormat::fail(const char* method, const char* text) const {
    P<IString> argument = stringConv::fromUTF8(text)->concat(*m_format)->concat("'");
    throw CInvalidArgError(nullptr, stringConv::fromUTF8(method), argument);
}

// --- parsing

void CStringFormat::resetField() {
    m_fieldType = noField;
    m_conversion = 0;
    m_widthFromArg = false;
    m_precisionFromArg = false;
    m_width = -1;
    m_precision = -1;
    m_zeroPad = false;
    m_leftAlign = false;
    m_alternate = false;
    m_plusSign = false;
    m_spaceSign = false;
    m_flagCount = 0;
}

bool CStringFormat::readNumber(int32_t& number) {
    const std::string& format = m_formatText;
    size_t start = m_cursor;
    int64_t value = 0;
    while (m_cursor < format.size() && format[m_cursor] >= '0' && format[m_cursor] <= '9') {
        value = value * 10 + (format[m_cursor] - '0');
        if (value > std::numeric_limits<int32_t>::max())
            fail(parseName, "invalid format string in '");
        ++m_cursor;
    }
    number = static_cast<int32_t>(value);
    return m_cursor > start;
}

void CStringFormat::goToNextFormatField() {
    resetField();
    const std::string& format = m_formatText;
    for (;;) {
        size_t percent = format.find('%', m_cursor);
        if (percent == std::string::npos) {
            m_result.append(format, m_cursor);
            m_cursor = format.size();
            return;
        }
        m_result.append(format, m_cursor, percent - m_cursor);
        m_cursor = percent + 1;
        if (m_cursor < format.size() && format[m_cursor] == '%') {
            m_result += '%';
            ++m_cursor;
            continue;
        }
        break;
    }

    // A field that fails to parse leaves nothing pending behind.
    struct CFieldGuard {
        CStringFormat& self;
        bool done = false;
        ~CFieldGuard() {
            if (!done)
                self.resetField();
        }
    } guard{*this};

    for (bool more = true; more && m_cursor < format.size();) {
        bool* flag = nullptr;
        switch (format[m_cursor]) {
        case '-':
            flag = &m_leftAlign;
            break;
        case '+':
            flag = &m_plusSign;
            break;
        case '0':
            flag = &m_zeroPad;
            break;
        case ' ':
            flag = &m_spaceSign;
            break;
        case '#':
            flag = &m_alternate;
            break;
        default:
            more = false;
            continue;
        }
        if (m_flagCount == maxFlags)
            fail(parseName, "too many field flags specified in '");
        *flag = true;
        m_flagChars[m_flagCount++] = format[m_cursor++];
    }

    if (m_cursor < format.size() && format[m_cursor] == '*') {
        m_widthFromArg = true;
        ++m_cursor;
    } else {
        int32_t width;
        if (readNumber(width))
            m_width = width;
    }

    if (m_cursor < format.size() && format[m_cursor] == '.') {
        ++m_cursor;
        if (m_cursor < format.size() && format[m_cursor] == '*') {
            m_precisionFromArg = true;
            ++m_cursor;
        } else {
            // "%.f" is precision 0, as in printf.
            int32_t precision = 0;
            readNumber(precision);
            m_precision = precision;
        }
    }

    if (m_cursor < format.size()) {
        switch (format[m_cursor]) {
        case 'l':
        case 'h':
            // "ll" and "hh" are one modifier.
            if (m_cursor + 1 < format.size() && format[m_cursor + 1] == format[m_cursor])
                ++m_cursor;
            ++m_cursor;
            break;
        case 'L':
        case 'z':
        case 'j':
        case 't':
            ++m_cursor;
            break;
        case 'I':
            ++m_cursor;
            for (int i = 0; i < 2 && m_cursor < format.size(); ++i)
                m_cursor += utf8CharSize(static_cast<unsigned char>(format[m_cursor]));
            m_cursor = std::min(m_cursor, format.size());
            break;
        default:
            break;
        }
    }

    char conversion = m_cursor < format.size() ? format[m_cursor] : '\0';
    switch (conversion) {
    case 'd':
    case 'i':
    case 'o':
    case 'u':
    case 'x':
    case 'X':
        m_fieldType = integerField;
        break;
    case 'e':
    case 'E':
    case 'f':
    case 'g':
    case 'G':
        m_fieldType = floatingField;
        break;
    case 'c':
    case 'C':
        m_fieldType = characterField;
        break;
    case 's':
    case 'S':
        m_fieldType = stringField;
        break;
    default:
        fail(parseName, "invalid format string in '");
    }
    m_conversion = conversion;
    ++m_cursor;
    guard.done = true;
}

// --- rendering fields

void CStringFormat::appendPadded(const std::string& text, int32_t charCount) {
    int32_t padding = m_width > charCount ? m_width - charCount : 0;
    if (m_leftAlign) {
        m_result += text;
        m_result.append(static_cast<size_t>(padding), ' ');
    } else {
        m_result.append(static_cast<size_t>(padding), ' ');
        m_result += text;
    }
}

void CStringFormat::appendInteger(uint64_t bits, bool isSigned, int32_t typeBits) {
    bool isDecimalSigned = m_conversion == 'd' || m_conversion == 'i';
    bool negative = false;
    uint64_t magnitude = bits;
    if (isDecimalSigned) {
        if (isSigned && static_cast<int64_t>(bits) < 0) {
            negative = true;
            magnitude = 0 - bits;
        }
    } else if (typeBits < 64) {
        // The two's complement in the argument's own width: (int)-1 under %x is ffffffff.
        magnitude &= (uint64_t{1} << typeBits) - 1;
    }

    uint32_t base = 10;
    const char* digitTable = "0123456789abcdef";
    if (m_conversion == 'o')
        base = 8;
    else if (m_conversion == 'x')
        base = 16;
    else if (m_conversion == 'X') {
        base = 16;
        digitTable = "0123456789ABCDEF";
    }

    // Digits are produced backwards into the end of a buffer that holds the 22 octal digits of
    // a 64-bit value.
    char buffer[24];
    char* end = buffer + sizeof buffer;
    char* first = end;
    bool isZero = magnitude == 0;
    // printf prints no digits for a zero with precision 0.
    if (magnitude != 0 || m_precision != 0) {
        do {
            *--first = digitTable[magnitude % base];
            magnitude /= base;
        } while (magnitude != 0);
    }
    std::string digits(first, end);
    if (m_precision > static_cast<int32_t>(digits.size()))
        digits.insert(0, static_cast<size_t>(m_precision) - digits.size(), '0');
    if (m_alternate && m_conversion == 'o' && (digits.empty() || digits[0] != '0'))
        digits.insert(0, 1, '0');

    // A plain pointer: GCC 12's optimiser misreads short std::string assignments here.
    std::string_view prefix;
    if (isDecimalSigned) {
        if (negative)
            prefix = "-";
        else if (m_plusSign)
            prefix = "+";
        else if (m_spaceSign)
            prefix = " ";
    } else if (m_alternate && base == 16 && !isZero) {
        prefix = m_conversion == 'x' ? "0x" : "0X";
    }

    int32_t length = static_cast<int32_t>(prefix.size() + digits.size());
    // The '0' flag pads between sign and digits; '-' and a precision turn it off.
    if (m_zeroPad && !m_leftAlign && m_precision < 0 && m_width > length)
        digits.insert(0, static_cast<size_t>(m_width - length), '0');
    digits.insert(0, prefix);
    appendPadded(digits, static_cast<int32_t>(digits.size()));
}

void CStringFormat::appendDouble(double value) {
    std::string field = "%";
    field.append(m_flagChars, static_cast<size_t>(m_flagCount));
    // A negative '*' width asked for left alignment without a '-' in the format.
    if (m_leftAlign &&
        std::find(m_flagChars, m_flagChars + m_flagCount, '-') == m_flagChars + m_flagCount)
        field += '-';
    if (m_width >= 0)
        field += decimalText(m_width);
    if (m_precision >= 0) {
        field += '.';
        field += decimalText(m_precision);
    }
    field += m_conversion;
    m_result += platform::formatDoubleInCLocale(field.c_str(), value);
}

void CStringFormat::appendChar(char32_t codePoint) {
    std::string text = encodeUTF8(codePoint);
    appendPadded(text, text.empty() ? 0 : 1);
}

void CStringFormat::appendString(const IString& text) {
    P<IString> shown;
    const IString* visible = &text;
    if (m_precision >= 0 && text.getLength() > m_precision) {
        shown = text.substring(0, m_precision);
        visible = shown.get();
    }
    appendPadded(stringConv::toStdString(*visible), visible->getLength());
}

} // namespace tamu
