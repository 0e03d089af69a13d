#include "tamu/CStringTokenizerEnum.h"
#include "tamu/stringConv.h"
#include "tamu/stringParse.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

using namespace tamu;

namespace {

// The parse error's message, or "" when the call did not throw.
template <class F>
std::string parseFailure(F&& parse) {
    try {
        parse();
    } catch (const std::exception& e) {
        return e.what();
    }
    return "";
}

std::vector<std::string> tokens(const P<IString>& text, char16_t delimiter) {
    std::vector<std::string> out;
    P<CStringTokenizerEnum> tokenizer = make<CStringTokenizerEnum>(text, delimiter);
    while (tokenizer->hasMoreTokens())
        out.push_back(stringConv::toStdString(*tokenizer->nextToken()));
    return out;
}

} // namespace

TEST(StringParse, NumbersMustFillTheWholeText) {
    EXPECT_EQ(-2147483647 - 1, parseInt32(u"-2147483648"));
    EXPECT_EQ(8080, parseInt32(str("port 8080")->substring(5)));
    EXPECT_DOUBLE_EQ(-1500.0, parseDouble(u"-1.5e3"));

    const char* const malformed[] = {"12a",  "",           " 1",      "+",
                                     "0x10", "2147483648", "\xD9\xA1" /* ARABIC-INDIC DIGIT ONE */};
    for (const char* text : malformed)
        EXPECT_EQ("Error parsing integer.", parseFailure([&] { parseInt32(text); })) << text;
    // a zero character inside the text ends a C string, not the number
    P<IString> withZero = stringConv::fromUTF16(u"4\0"
                                                u"2",
                                                3);
    EXPECT_EQ("Error parsing integer.", parseFailure([&] { parseInt32(withZero); }));
    for (const char* text : {"1.5x", "", "1,5", " 2.0", "1e"})
        EXPECT_EQ("Error parsing floating point value.", parseFailure([&] { parseDouble(text); }));
}

TEST(CStringTokenizerEnum, EmptyTokensBetweenAndBeforeButNotAfter) {
    using V = std::vector<std::string>;
    EXPECT_EQ((V{"", "a", "", "b"}), tokens(str("&a&&b&"), u'&'));
    EXPECT_EQ((V{"", ""}), tokens(str(u"&&"), u'&'));
    EXPECT_EQ((V{}), tokens(str(""), u'&'));
    EXPECT_EQ((V{"\xF0\x9F\x98\x80", "\xC3\xA9"}), tokens(str("\xF0\x9F\x98\x80&\xC3\xA9"), u'&'));
}

TEST(CStringTokenizerEnum, TokensOwnTheirText) {
    P<IString> first = make<CStringTokenizerEnum>(str(u"ab;;c"), u';')->nextToken();
    EXPECT_TRUE(first->isZeroTerminated());
    EXPECT_TRUE(first->equals("ab"));
}
