#pragma once

#include "tamu/CObject.h"
#include "tamu/P.h"
#include "tamu/str.h"

#include <concepts>
#include <cstddef>
#include <cstdint>
#include <string>
#include <type_traits>

namespace tamu {

class IString;

// printf-like formatting with checked arguments. The formatter is built with the format, the
// arguments are pushed one by one in the order of the fields (a '*' width or precision takes
// the next doInt), and toString() gives the finished text. A formatter is used once; pushes
// return it so they can be chained:
//
//     CStringFormat("%s (%d)").doString(what).doInt(code).toString()
//
// A field is '%', flags ('-', '+', '0', blank, '#'; at most six), a width (digits or '*'), a
// precision ('.' and digits or '*'), a length modifier that is read and ignored (l, ll, h, hh,
// L, z, j, t, or I and two more characters as in I64), and the conversion: d i o u x X for
// integers, e E f g G for floating point, c C for characters, s S for strings. "%%" is one '%'.
// Every error in the format or in the pushed arguments throws CInvalidArgError naming the
// operation; the text produced before the failing field stays in place. Floating-point fields
// always use '.' as the decimal point, whatever the process's locale.
class CStringFormat : public CObject {
public:
    // A null format formats as an empty text.
    explicit CStringFormat(const P<IString>& format);
    template <size_t N>
    explicit CStringFormat(const char (&format)[N]) : CStringFormat(str(format)) {}
    CStringFormat(const CStringFormat&) = delete;
    CStringFormat& operator=(const CStringFormat&) = delete;
    ~CStringFormat() override;

    // Any integer type. Unsigned conversions (o u x X) of a negative value show its two's
    // complement in the width of the argument's type, as printf does; an unsigned argument
    // prints unsigned under d and i too.
    template <std::integral T>
    CStringFormat& doInt(T value) {
        using Wide = std::conditional_t<std::is_signed_v<T>, int64_t, uint64_t>;
        pushInteger(static_cast<uint64_t>(static_cast<Wide>(value)), std::is_signed_v<T>,
                    static_cast<int32_t>(sizeof(T) * 8));
        return *this;
    }
    CStringFormat& doDouble(double value);
    CStringFormat& doChar(char32_t codePoint);
    // A null string pointer is an empty text.
    CStringFormat& doString(const P<IString>& text);
    CStringFormat& doString(const IString& text);
    // UTF-8 text.
    CStringFormat& doString(const char* text);

    // The finished text; CInvalidObjectStateError while a field still waits for its argument.
    P<IString> toString() const override;

private:
    enum FieldType : int32_t {
        noField = 0,
        integerField,
        floatingField,
        characterField,
        stringField
    };
    static constexpr int32_t maxFlags = 6;

    void pushInteger(uint64_t bits, bool isSigned, int32_t typeBits);
    // Takes the value as a pending '*' width or precision; false when none is pending.
    bool supplyStar(int64_t value);
    void rejectPendingStar(const char* method) const;
    [[noreturn]] void fail(const char* method, const char* text) const;

    void goToNextFormatField();
    bool readNumber(int32_t& number);
    void resetField();

    void appendInteger(uint64_t bits, bool isSigned, int32_t typeBits);
    void appendDouble(double value);
    void appendChar(char32_t codePoint);
    void appendString(const IString& text);
    void appendPadded(const std::string& text, int32_t charCount);

    P<IString> m_format;
    // The format as UTF-8 bytes, which the parser walks; the syntax itself is ASCII.
    std::string m_formatText;
    size_t m_cursor = 0;
    // The text so far, as UTF-8.
    std::string m_result;

    int32_t m_fieldType = noField;
    char m_conversion = 0;
    bool m_widthFromArg = false;
    bool m_precisionFromArg = false;
    int32_t m_width = -1;
    int32_t m_precision = -1;
    bool m_zeroPad = false;
    bool m_leftAlign = false;
    bool m_alternate = false;
    bool m_plusSign = false;
    bool m_spaceSign = false;
    char m_flagChars[maxFlags] = {};
    int32_t m_flagCount = 0;
};

namespace detail {

template <class T>
void pushFormatArgument(CStringFormat& format, const T& value) {
    if constexpr (std::is_same_v<T, char>)
        format.doChar(static_cast<unsigned char>(value));
    else if constexpr (std::is_same_v<T, char16_t> || std::is_same_v<T, char32_t> ||
                       std::is_same_v<T, wchar_t>)
        format.doChar(static_cast<char32_t>(value));
    else if constexpr (std::is_integral_v<T>)
        format.doInt(value);
    else if constexpr (std::is_floating_point_v<T>)
        format.doDouble(static_cast<double>(value));
    else
        format.doString(value);
}

} // namespace detail

// Formats in one call, pushing each argument by its type: characters (char, char16_t, char32_t)
// with doChar, other integers with doInt, floating point with doDouble, strings and UTF-8 C
// strings with doString.
template <class... Args>
P<IString> formatString(const P<IString>& format, const Args&... args) {
    CStringFormat formatter(format);
    (detail::pushFormatArgument(formatter, args), ...);
    return formatter.toString();
}

template <size_t N, class... Args>
P<IString> formatString(const char (&format)[N], const Args&... args) {
    return formatString(str(format), args...);
}

} // namespace tamu
