#include "tamu/CObjectError.h"
#include "tamu/CStringFormat.h"
#include "tamu/stringConv.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <locale.h>
#include <string>
#include <type_traits>

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
    for (const char* format : formats) {
        for (T value : values) {
            CStringFormat ours(stringConv::fromUTF8(format));
            if constexpr (std::is_floating_point_v<T>)
                ours.doDouble(value);
            else
                ours.doInt(value);
            EXPECT_EQ(cFormat(format, value), utf8(ours.toString())) << format << " with " << value;
        }
    }
}

// The text of one format with its arguments, pushed by their types.
template <class Format, class... Args>
std::string fmt(const Format& format, const Args&... args) {
    return utf8(formatString(format, args...));
}

struct ArgError {
    std::string method;
    std::string argument;
};

// The method and argument text of the CInvalidArgError that `action` throws, read back from
// the message "An invalid argument was passed to method '<method>' of '<object>': <argument>".
ArgError catchArgError(const std::function<void()>& action) {
    try {
        action();
    } catch (const CInvalidArgError& e) {
        std::string message = utf8(e.getMessage());
        std::string lead = "An invalid argument was passed to method '";
        EXPECT_EQ(0u, message.find(lead)) << message;
        size_t methodEnd = message.find('\'', lead.size());
        size_t argumentStart = message.find("': ", methodEnd + 1);
        EXPECT_NE(std::string::npos, argumentStart) << message;
        return {message.substr(lead.size(), methodEnd - lead.size()),
                message.substr(argumentStart + 3)};
    }
    ADD_FAILURE() << "no CInvalidArgError thrown";
    return {};
}

const char* const mismatch = "argument does not match the field's format specification for '";

} // namespace

TEST(StringFormat, LiteralTextAndPercentSigns) {
    EXPECT_EQ("100%", utf8(CStringFormat("100%%").toString()));
    EXPECT_EQ("%a%%b%", utf8(CStringFormat("%%a%%%%b%%").toString()));
    EXPECT_EQ("", utf8(CStringFormat("").toString()));
    EXPECT_EQ("", utf8(CStringFormat(P<IString>()).toString()));
    EXPECT_EQ("x=5, 100%", fmt("x=%d, 100%%", 5));
    // Non-ASCII literal text survives a format held in another encoding.
    EXPECT_EQ("\xC3\xA9t\xC3\xA9 7 \xE2\x82\xAC", fmt(str(u"\u00E9t\u00E9 %d \u20AC"), 7));
}

TEST(StringFormat, IntegersMatchPrintf) {
    const char* formats[] = {"%d",     "%i",     "%5d",    "%-5d|",  "%05d",  "%+d",   "% d",
                             "%.3d",   "%8.3d",  "%-08d|", "%+05d",  "% 05d", "%.0d",  "%5.0d",
                             "%u",     "%o",     "%#o",    "%#.0o",  "%x",    "%X",    "%#x",
                             "%#X",    "%#010x", "%-#8x|", "%08.3x", "%+u",   "% x",   "%+-6d|",
                             "%- 6i|", "%#5o",   "%.10o",  "%0-5d|", "%#.3x", "%5.5d", "%012d"};
    const int values[] = {0, 1, -1, 7, -7, 42, 255, -255, 4096, 123456789, INT_MAX, INT_MIN};
    expectLikePrintf(formats, values);
}

TEST(StringFormat, SixtyFourBitAndNarrowIntegersMatchPrintf) {
    const char* formats[] = {"%lld", "%20lld", "%-+22lld|", "%llu",
                             "%llx", "%#llX",  "%llo",      "%.25lld"};
    const long long values[] = {0, -1, LLONG_MAX, LLONG_MIN, 0x123456789ALL, -9876543210LL};
    expectLikePrintf(formats, values);
    // Unsigned 64-bit values print unsigned even under %d.
    EXPECT_EQ("18446744073709551615", fmt("%d", UINT64_MAX));
    EXPECT_EQ("ffffffffffffffff", fmt("%x", int64_t{-1}));
    // The width of the argument's type decides the two's complement, as for printf's %hx.
    EXPECT_EQ("ff", fmt("%x", int8_t{-1}));
    EXPECT_EQ("65535", fmt("%u", int16_t{-1}));
    EXPECT_EQ("-128", fmt("%d", int8_t{-128}));
}

TEST(StringFormat, FloatingPointMatchesPrintf) {
    const char* formats[] = {"%f",  "%.2f",      "%10.3e", "%-10g|", "%+G",
                             "%#g", "%010.2f",   "%E",     "%.0f",   "%#.0f",
                             "% f", "%-+12.4e|", "%g",     "%.15g",  "%.f"};
    const double values[] = {0.0,       -0.0, 1.5,   -2.25,      3.14159265358979,
                             1234567.0, 1e-7, 1e300, -123456.789};
    expectLikePrintf(formats, values);
    // An integer pushed into a floating-point field is converted to double.
    EXPECT_EQ("7.00", fmt("%.2f", 7));
    EXPECT_EQ("-3.000000e+00", fmt("%e", -3));
}

TEST(StringFormat, FloatingPointIgnoresTheLocalesDecimalComma) {
    std::string dir = testing::TempDir() + "tamu-format-locales";
    std::error_code ignored;
    std::filesystem::create_directories(dir, ignored);
    std::string command =
        "localedef -c -i de_DE -f UTF-8 '" + dir + "/de_DE.UTF-8' >/dev/null 2>&1";
    if (std::system(command.c_str()) == -1)
        GTEST_SKIP() << "localedef is not available";
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

TEST(StringFormat, StringsArePaddedAndCutByCharacters) {
    EXPECT_EQ("   ab|ab   |", fmt("%5s|%-5s|", str("ab"), str("ab")));
    EXPECT_EQ("ab", fmt("%.2s", str("abcdef")));
    EXPECT_EQ("[  abc]", fmt("[%5.3s]", "abcdef"));
    EXPECT_EQ("abcdef", fmt("%3s", "abcdef"));
    EXPECT_EQ("abc", fmt("%.9s", "abc"));
    EXPECT_EQ("", fmt("%.0s", "abc"));
    // Width and precision count characters, not bytes.
    EXPECT_EQ("  \xC3\xA9\xE2\x82\xAC|\xC3\xA9",
              fmt("%4s|%.1s", str(u"\u00E9\u20AC"), str(U"\u00E9\u20AC")));
    // The '0' flag does not zero-pad strings.
    EXPECT_EQ("   ab", fmt("%05s", "ab"));
    EXPECT_EQ("[]", fmt("[%s]", P<IString>()));
}

TEST(StringFormat, OtherArgumentsIntoStringAndIntegerFields) {
    EXPECT_EQ("  -42|4294967295", fmt("%5s|%s", -42, uint32_t{4294967295u}));
    EXPECT_EQ("12", fmt("%.2s", 12345));
    EXPECT_EQ("\xE2\x82\xAC  |", fmt("%-3s|", U'\u20AC'));
    EXPECT_EQ("65 0x41 8364", fmt("%d %#x %u", U'A', U'A', U'\u20AC'));
}

TEST(StringFormat, CharacterFields) {
    EXPECT_EQ("x", fmt("%c", U'x'));
    EXPECT_EQ("  \xC3\xA9|\xE2\x82\xAC  |", fmt("%3c|%-3C|", U'\u00E9', U'\u20AC'));
    EXPECT_EQ(cFormat("[%4c][%-4c]", 'q', 'r'), fmt("[%4c][%-4c]", U'q', U'r'));
}

TEST(StringFormat, StarWidthAndPrecisionTakeTheNextIntegers) {
    EXPECT_EQ("   7", fmt("%*d", 4, 7));
    EXPECT_EQ(cFormat("%*d|", -4, 7), fmt("%*d|", -4, 7));
    EXPECT_EQ(cFormat("%.*f", 2, 3.14159), fmt("%.*f", 2, 3.14159));
    EXPECT_EQ(cFormat("%*.*f|", -9, 3, 2.5), fmt("%*.*f|", -9, 3, 2.5));
    EXPECT_EQ(cFormat("%.*d", -1, 5), fmt("%.*d", -1, 5));
    EXPECT_EQ("[  abc]", fmt("[%*.*s]", 5, 3, "abcdef"));
    EXPECT_EQ("  x", fmt("%*c", int64_t{3}, U'x'));
}

TEST(StringFormat, LengthModifiersAreReadAndIgnored) {
    EXPECT_EQ("1 2 3 4 5.000000 6 7 8 9 a k s",
              utf8(formatString("%ld %lld %hd %hhd %Lf %zu %jd %td %I64d %I32x %lc %ls", 1, 2, 3, 4,
                                5.0, 6, 7, 8, 9, 10, U'k', "s")));
}

TEST(StringFormat, FlagsAreLimitedToSix) {
    EXPECT_EQ(cFormat("%-+0 #-d|", 5), fmt("%-+0 #-d|", 5));
    ArgError e = catchArgError([] { CStringFormat("ab %-+0 #-+d"); });
    EXPECT_EQ("CStringFormat::goToNextFormatField", e.method);
    EXPECT_EQ("too many field flags specified in 'ab %-+0 #-+d'", e.argument);
}

TEST(StringFormat, InvalidConversionsAreRejectedWhereTheyAreParsed) {
    const char* invalid[] = {"%q", "abc %", "%5", "%.3", "%-", "%l", "%I6", "%%%", "%5%", "%hhh"};
    for (const char* format : invalid) {
        ArgError e = catchArgError([&] { CStringFormat(stringConv::fromUTF8(format)); });
        EXPECT_EQ("CStringFormat::goToNextFormatField", e.method) << format;
        EXPECT_EQ(std::string("invalid format string in '") + format + "'", e.argument);
    }
    // A bad second field is found when the first is done; the text before it is kept.
    CStringFormat format("%d, %y and more");
    ArgError e = catchArgError([&] { format.doInt(1); });
    EXPECT_EQ("CStringFormat::goToNextFormatField", e.method);
    EXPECT_EQ("invalid format string in '%d, %y and more'", e.argument);
    EXPECT_EQ("1, ", utf8(format.toString()));
    // A width that no int holds is no width.
    e = catchArgError([] { CStringFormat("%99999999999d"); });
    EXPECT_EQ("invalid format string in '%99999999999d'", e.argument);
}

TEST(StringFormat, MismatchedArgumentsNameTheOperation) {
    struct Case {
        const char* format;
        std::function<void(CStringFormat&)> push;
        const char* method;
    };
    const Case cases[] = {
        {"%d", [](CStringFormat& f) { f.doString(str("x")); }, "CStringFormat::doString"},
        {"%f", [](CStringFormat& f) { f.doString("x"); }, "CStringFormat::doString"},
        {"%c", [](CStringFormat& f) { f.doString("x"); }, "CStringFormat::doString"},
        {"%d", [](CStringFormat& f) { f.doDouble(1.0); }, "CStringFormat::doDouble"},
        {"%s", [](CStringFormat& f) { f.doDouble(1.0); }, "CStringFormat::doDouble"},
        {"%c", [](CStringFormat& f) { f.doDouble(1.0); }, "CStringFormat::doDouble"},
        {"%c", [](CStringFormat& f) { f.doInt(65); }, "CStringFormat::doInt"},
        {"%f", [](CStringFormat& f) { f.doChar(U'a'); }, "CStringFormat::doChar"},
        {"no fields", [](CStringFormat& f) { f.doInt(1); }, "CStringFormat::doInt"},
        {"no fields", [](CStringFormat& f) { f.doDouble(1); }, "CStringFormat::doDouble"},
        {"no fields", [](CStringFormat& f) { f.doChar(U'a'); }, "CStringFormat::doChar"},
        {"no fields", [](CStringFormat& f) { f.doString("a"); }, "CStringFormat::doString"},
    };
    for (const Case& c : cases) {
        CStringFormat format{stringConv::fromUTF8(c.format)};
        ArgError e = catchArgError([&] { c.push(format); });
        EXPECT_EQ(c.method, e.method) << c.format;
        EXPECT_EQ(std::string(mismatch) + c.format + "'", e.argument);
    }
    // One argument too many, after a complete format.
    CStringFormat format("[%d]");
    format.doInt(1);
    EXPECT_EQ(std::string(mismatch) + "[%d]'", catchArgError([&] { format.doInt(2); }).argument);
    EXPECT_EQ("[1]", utf8(format.toString()));
}

TEST(StringFormat, StarFieldsAcceptOnlyIntegers) {
    const std::string width = "expected integer value (field width) in '%*d'";
    const std::string precision = "expected integer value (field precision) in '%.*f'";
    const struct {
        std::function<void()> push;
        const char* method;
        std::string argument;
    } cases[] = {
        {[] { CStringFormat("%*d").doString(str("x")); }, "CStringFormat::doString", width},
        {[] { CStringFormat("%*d").doDouble(4.0); }, "CStringFormat::doDouble", width},
        {[] { CStringFormat("%*d").doChar(U'4'); }, "CStringFormat::doChar", width},
        {[] { CStringFormat("%.*f").doDouble(2.0); }, "CStringFormat::doDouble", precision},
        // The width is taken; the precision still waits for its integer.
        {[] { CStringFormat("%*.*s").doInt(3).doString("abc"); }, "CStringFormat::doString",
         "expected integer value (field precision) in '%*.*s'"},
    };
    for (const auto& c : cases) {
        ArgError e = catchArgError(c.push);
        EXPECT_EQ(c.method, e.method) << c.argument;
        EXPECT_EQ(c.argument, e.argument);
    }
}

TEST(StringFormat, ResultBeforeAllArgumentsIsAnObjectStateError) {
    const std::string reason = "CStringFormat: not all parameters have been pushed in yet.";
    auto expectIncomplete = [&](const CStringFormat& format) {
        try {
            format.toString();
            ADD_FAILURE() << "no CInvalidObjectStateError";
        } catch (const CInvalidObjectStateError& e) {
            EXPECT_NE(std::string::npos, utf8(e.getMessage()).find(reason)) << utf8(e.getMessage());
        }
    };
    expectIncomplete(CStringFormat("value: %d"));
    CStringFormat starPending("%*d");
    expectIncomplete(starPending.doInt(3));
    CStringFormat twoFields("%d %d");
    expectIncomplete(twoFields.doInt(1));
    EXPECT_EQ("1 2", utf8(twoFields.doInt(2).toString()));
}

TEST(StringFormat, FormatStringPushesByType) {
    P<IString> where = str("file.flac");
    EXPECT_EQ("CFLACSource - bad header (-3) in file.flac",
              utf8(formatString("CFLACSource - %s (%d) in %s", "bad header", -3, where)));
    EXPECT_EQ("x \xC3\xA9 1.5 ff", utf8(formatString("%c %c %g %x", 'x', u'\u00E9', 1.5f, 255u)));
    EXPECT_THROW(formatString("%d", "text"), CInvalidArgError);
    EXPECT_THROW(formatString("%d %d", 1), CInvalidObjectStateError);
}
