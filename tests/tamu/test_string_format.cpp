#include "tamu/CObjectError.h"
#include "tamu/CStringFormat.h"
#include "tamu/stringConv.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <locale.h>
#include <string>

using namespace tamu;

namespace {

std::string utf8(const P<IString>& s) {
    return stringConv::toStdString(*s);
}

template <class... Args>
std::string cFormat(const char* format, Args... args) {
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat-nonliteral"
    std::string text(static_cast<size_t>(std::snprintf(nullptr, 0, format, args...)), '\0');
    std::snprintf(text.data(), text.size() + 1, format, args...);
#pragma GCC diagnostic pop
    return text;
}

// Every format with every value, against the C runtime's printf.
template <class T, size_t F, size_t V>
void expectLikePrintf(const char* const (&formats)[F], const T (&values)[V]) {
    for (const char* format : formats)
        for (T value : values)
            EXPECT_EQ(cFormat(format, value),
                      utf8(formatString(stringConv::fromUTF8(format), value)))
                << format << " with " << value;
}

// The text of one format with its arguments, pushed by their types.
template <class Format, class... Args>
std::string fmt(const Format& format, const Args&... args) {
    return utf8(formatString(format, args...));
}

// The message of the CInvalidArgError that `action` throws.
std::string argErrorOf(const std::function<void()>& action) {
    try {
        action();
    } catch (const CInvalidArgError& e) {
        return utf8(e.getMessage());
    }
    return "no CInvalidArgError thrown";
}

const char* const mismatch = "argument does not match the field's format specification for '";

} // namespace

TEST(StringFormat, IntegersMatchPrintf) {
    const char* formats[] = {"%-5d|",  "% 05d",  "%8.3d",  "%-08d|", "%.0d", "%5.0d",  "%#.0o",
                             "%#010x", "%-#8x|", "%08.3x", "%+u",    "%#5o", "%0-5d|", "%#.3x"};
    const int values[] = {0, -1, 7, 255, INT_MAX, INT_MIN};
    expectLikePrintf(formats, values);
    const char* wide[] = {"%-+22lld|", "%llu", "%#llX", "%.25lld"};
    const long long wideValues[] = {-1, LLONG_MAX, LLONG_MIN};
    expectLikePrintf(wide, wideValues);
    // Unsigned 64-bit values print unsigned even under %d.
    EXPECT_EQ("18446744073709551615", fmt("%d", UINT64_MAX));
    // The width of the argument's type decides the two's complement, as for printf's %hx.
    EXPECT_EQ("ff", fmt("%x", int8_t{-1}));
    EXPECT_EQ("65535", fmt("%u", int16_t{-1}));
}

TEST(StringFormat, FloatingPointMatchesPrintf) {
    const char* formats[] = {"%10.3e",  "%-10g|", "%+G",       "%#g",
                             "%010.2f", "%#.0f",  "%-+12.4e|", "%.f"};
    const double values[] = {-0.0, 1.5, 3.14159265358979, 1e-7, 1e300, -123456.789};
    expectLikePrintf(formats, values);
    // An integer pushed into a floating-point field is converted to double.
    EXPECT_EQ("7.00|-3.0", fmt("%.2f|%.1f", 7, -3));
}

TEST(StringFormat, FloatingPointIgnoresTheLocalesDecimalComma) {
    std::string dir = testing::TempDir();
    std::string command =
        "localedef -c -i de_DE -f UTF-8 '" + dir + "/de_DE.UTF-8' >/dev/null 2>&1";
    [[maybe_unused]] int status = std::system(command.c_str()); // -c: warnings give status 1
    setenv("LOCPATH", dir.c_str(), 1);
    locale_t german = newlocale(LC_ALL_MASK, "de_DE.UTF-8", nullptr);
    unsetenv("LOCPATH");
    if (!german)
        GTEST_SKIP() << "cannot build a de_DE locale";
    locale_t previous = uselocale(german);
    std::string crt = cFormat("%.1f", 1.5);
    std::string ours = fmt("%.1f|%g", 1.5, 0.25);
    uselocale(previous);
    freelocale(german);
    ASSERT_EQ("1,5", crt); // the locale does change the C runtime's output
    EXPECT_EQ("1.5|0.25", ours);
}

TEST(StringFormat, NonNumericFieldsArePaddedAndCutByCharacters) {
    EXPECT_EQ("ab   |[  abc]", fmt("%-5s|[%5.3s]", str("ab"), "abcdef"));
    // Width and precision count characters, not bytes.
    EXPECT_EQ("  \xC3\xA9\xE2\x82\xAC|\xC3\xA9",
              fmt("%4s|%.1s", str(u"\u00E9\u20AC"), str(U"\u00E9\u20AC")));
    // The '0' flag does not zero-pad strings.
    EXPECT_EQ("   ab", fmt("%05s", "ab"));
    EXPECT_EQ("  -42|4294967295", fmt("%5s|%s", -42, uint32_t{4294967295u})); // numbers as text
    EXPECT_EQ("\xE2\x82\xAC  |", fmt("%-3s|", U'\u20AC'));
    EXPECT_EQ("  \xC3\xA9|\xE2\x82\xAC  |", fmt("%3c|%-3C|", U'\u00E9', U'\u20AC'));
}

TEST(StringFormat, StarFieldsLiteralTextAndIgnoredLengthModifiers) {
    EXPECT_EQ(cFormat("%*.*f|", -9, 3, 2.5), fmt("%*.*f|", -9, 3, 2.5));
    EXPECT_EQ("[  abc]", fmt("[%*.*s]", 5, 3, "abcdef"));
    EXPECT_EQ("%a%%b%", utf8(CStringFormat("%%a%%%%b%%").toString()));
    // Non-ASCII literal text survives a format held in another encoding.
    EXPECT_EQ("\xC3\xA9t\xC3\xA9 7 \xE2\x82\xAC", fmt(str(u"\u00E9t\u00E9 %d \u20AC"), 7));
    EXPECT_EQ("1 2 3 4 5.000000 6 7 8 9 a k s",
              utf8(formatString("%ld %lld %hd %hhd %Lf %zu %jd %td %I64d %I32x %lc %ls", 1, 2, 3, 4,
                                5.0, 6, 7, 8, 9, 10, U'k', "s")));
}

TEST(StringFormat, EveryErrorNamesTheOperationAndTheFormat) {
    const std::string invalid = "invalid format string in '";
    const std::string width = "expected integer value (field width) in '";
    const std::string precision = "expected integer value (field precision) in '";
    const std::string next = "CStringFormat::goToNextFormatField";
    const struct {
        const char* format;
        std::function<void(CStringFormat&)> push; // null: the constructor itself throws
        std::string method;
        std::string reason;
    } cases[] = {
        {"ab %-+0 #-+d", nullptr, next, "too many field flags specified in '"},
        {"%q", nullptr, next, invalid},
        {"%.3", nullptr, next, invalid},
        {"%99999999999d", nullptr, next, invalid}, // a width that no int holds is no width
        // A bad second field is found when the first is done.
        {"%d, %y and more", [](CStringFormat& f) { f.doInt(1); }, next, invalid},
        {"%d", [](CStringFormat& f) { f.doString(str("x")); }, "CStringFormat::doString", mismatch},
        {"%c", [](CStringFormat& f) { f.doInt(65); }, "CStringFormat::doInt", mismatch},
        {"%f", [](CStringFormat& f) { f.doChar(U'a'); }, "CStringFormat::doChar", mismatch},
        {"[%d]", [](CStringFormat& f) { f.doInt(1).doInt(2); }, "CStringFormat::doInt", mismatch},
        {"%*d", [](CStringFormat& f) { f.doChar(U'4'); }, "CStringFormat::doChar", width},
        {"%.*f", [](CStringFormat& f) { f.doDouble(2.0); }, "CStringFormat::doDouble", precision},
        // The width is taken; the precision still waits for its integer.
        {"%*.*s", [](CStringFormat& f) { f.doInt(3).doString("abc"); }, "CStringFormat::doString",
         precision},
    };
    for (const auto& c : cases) {
        std::string message = argErrorOf([&] {
            CStringFormat format{stringConv::fromUTF8(c.format)};
            if (c.push)
                c.push(format);
        });
        EXPECT_EQ("An invalid argument was passed to method '" + c.method +
                      "' of 'unknown object': " + c.reason + c.format + "'",
                  message);
    }
    // The text before a bad field is kept.
    CStringFormat format("%d, %y and more");
    EXPECT_THROW(format.doInt(1), CInvalidArgError);
    EXPECT_EQ("1, ", utf8(format.toString()));
}

TEST(StringFormat, ResultBeforeAllArgumentsIsAnObjectStateError) {
    CStringFormat twoFields("%d %d");
    try {
        twoFields.doInt(1).toString();
        ADD_FAILURE() << "no CInvalidObjectStateError";
    } catch (const CInvalidObjectStateError& e) {
        EXPECT_NE(std::string::npos, utf8(e.getMessage()).find("not all parameters have been"));
    }
}

TEST(StringFormat, FormatStringPushesByType) {
    P<IString> where = str("file.flac");
    EXPECT_EQ("CFLACSource - bad header (-3) in file.flac",
              utf8(formatString("CFLACSource - %s (%d) in %s", "bad header", -3, where)));
    EXPECT_EQ("x \xC3\xA9 1.5 ff", utf8(formatString("%c %c %g %x", 'x', u'\u00E9', 1.5f, 255u)));
}
