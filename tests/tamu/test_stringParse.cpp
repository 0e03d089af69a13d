#include "tamu/CStringTokenizerEnum.h"
#include "tamu/stringConv.h"
#include "tamu/stringParse.h"

#include <gtest/gtest.h>

#include <limits>
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

TEST(StringParse, IntegersMustFillTheWholeText) {
    EXPECT_EQ(42, parseInt32("42"));
    EXPECT_EQ(-17, parseInt32(u"-17"));
    EXPECT_EQ(5, parseInt32(str(U"+5")));
    EXPECT_EQ(std::numeric_limits<int32_t>::min(), parseInt32("-2147483648"));
    EXPECT_EQ(8589934592LL, parseInt64("8589934592"));
    EXPECT_EQ(8080, parseInt32(str("port 8080")->substring(5)));

    const char* const malformed[] = {
        "12a",  "",    " 1",  "1 ",         "+",       "-",
        "0x10", "1.5", "+-1", "2147483648", "\xD9\xA1" /* ARABIC-INDIC DIGIT ONE */};
    for (const char* text : malformed)
        EXPECT_EQ("Error parsing integer.", parseFailure([&] { parseInt32(text); })) << text;
    EXPECT_EQ("Error parsing integer.", parseFailure([] { parseInt64("99999999999999999999"); }));
    // a zero character inside the text ends a C string, not the number
    P<IString> withZero = stringConv::fromUTF16(u"4\0"
                                                u"2",
                                                3);
    EXPECT_EQ("Error parsing integer.", parseFailure([&] { parseInt32(withZero); }));
}

TEST(StringParse, FloatingPointValuesMustFillTheWholeText) {
    EXPECT_DOUBLE_EQ(1500.0, parseDouble("1.5e3"));
    EXPECT_DOUBLE_EQ(-0.25, parseDouble(u"-0.25"));
    EXPECT_DOUBLE_EQ(3.0, parseDouble("+3"));
    const char* const malformed[] = {"1.5x", "", "1,5", " 2.0", "e5", "1e"};
    for (const char* text : malformed) {
        EXPECT_EQ("Error parsing floating point value.", parseFailure([&] { parseDouble(text); }))
            << text;
    }
}

TEST(CStringTokenizerEnum, EmptyTokensBetweenAndBeforeButNotAfter) {
    using V = std::vector<std::string>;
    EXPECT_EQ((V{"a", "", "b"}), tokens(str("a&&b"), u'&'));
    EXPECT_EQ((V{"a"}), tokens(str("a&"), u'&'));
    EXPECT_EQ((V{"", "a"}), tokens(str("&a"), u'&'));
    EXPECT_EQ((V{"", ""}), tokens(str("&&"), u'&'));
    EXPECT_EQ((V{}), tokens(str(""), u'&'));
    EXPECT_EQ((V{}), tokens(nullptr, u'&'));
    EXPECT_EQ((V{"k=v", "x=\xF0\x9F\x98\x80", "\xC3\xA9"}),
              tokens(str("k=v&x=\xF0\x9F\x98\x80&\xC3\xA9"), u'&'));
}

TEST(CStringTokenizerEnum, TokensOwnTheirTextAndEmptyOnesAreShared) {
    P<CStringTokenizerEnum> tokenizer = make<CStringTokenizerEnum>(str(u"ab;;c"), u';');
    P<IString> first = tokenizer->nextToken();
    P<IString> empty = tokenizer->nextToken();
    EXPECT_EQ(emptyString(), empty);
    EXPECT_TRUE(first->isZeroTerminated());
    EXPECT_EQ(2, first->getLength());
    tokenizer = nullptr;
    EXPECT_TRUE(first->equals("ab"));
    EXPECT_EQ(std::vector<std::string>{""}, tokens(str(u";"), u';'));
}
