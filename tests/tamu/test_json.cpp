#include "tamu/CError.h"
#include "tamu/CJsonParser.h"
#include "tamu/CJsonPrinter.h"
#include "tamu/CPeekableInStream.h"
#include "tamu/CStringInStream.h"
#include "tamu/CVariant.h"
#include "tamu/CVariantArray.h"
#include "tamu/CVariantMap.h"
#include "tamu/IArray.h"
#include "tamu/IString.h"
#include "tamu/interfaceCast.h"
#include "tamu/stringConv.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <string>
#include <typeinfo>

using namespace tamu;

namespace {

std::string s(const P<IString>& text) {
    return stringConv::toStdString(*text);
}

P<IVariant> parsed(const std::string& utf8) {
    return make<CJsonParser>()->parse(stringConv::fromStd(utf8));
}

std::string printed(const IVariant* value, bool pretty = false) {
    return s(make<CJsonPrinter>(pretty)->print(value));
}

std::string reprinted(const std::string& utf8) {
    return printed(parsed(utf8).get());
}

template <class E>
std::string failure(const std::string& utf8) {
    try {
        parsed(utf8);
    } catch (const E& e) {
        return s(e.getMessage());
    }
    return "<no failure>";
}

std::string jsonFailure(const std::string& utf8) {
    return failure<CJsonParserError>(utf8);
}
std::string parseFailure(const std::string& utf8) {
    return failure<CParseError>(utf8);
}

P<IVariant> element(const P<IVariant>& array, int32_t index) {
    return interfaceCast<CVariantArray>(array)->get(index);
}

template <class T>
auto valueOf(const P<IVariant>& variant) {
    auto* typed = dynamic_cast<const T*>(variant.get());
    EXPECT_NE(nullptr, typed) << "not a " << typeid(T).name();
    return typed ? typed->getValue() : decltype(typed->getValue()){};
}

// The numbers of a one-element array, as their kind and value would print.
std::string number(const std::string& text) {
    P<IVariant> value = element(parsed("[" + text + "]"), 0);
    if (auto* integer = dynamic_cast<const CVariantInt64*>(value.get()))
        return "int " + std::to_string(integer->getValue());
    if (auto* real = dynamic_cast<const CVariantDouble*>(value.get()))
        return "double " + s(real->asText());
    return "other";
}

std::u16string units(const P<IVariant>& variant) {
    return stringConv::toStdU16String(*valueOf<CVariantString>(variant));
}

// Parser steps reached directly, for the checks the grammar itself never gets to.
class CStepParser : public CParserBase {
public:
    explicit CStepParser(const char16_t* text) {
        setStream(make<CPeekableInStream>(make<CStringInStream>(text)));
    }
};

// The same kind and value at every node.
bool sameTree(const IVariant* a, const IVariant* b) {
    if (!a || !b)
        return a == b;
    if (typeid(*a) != typeid(*b))
        return false;
    if (auto* map = dynamic_cast<const CVariantMap*>(a)) {
        auto* other = dynamic_cast<const CVariantMap*>(b);
        P<IArray> keys = map->getKeys();
        if (keys->getCount() != other->getCount())
            return false;
        for (int32_t i = 0; i < keys->getCount(); ++i) {
            String key(interfaceCast<IString>(keys->get(i)));
            if (!other->contains(key) || !sameTree(map->get(key).get(), other->get(key).get()))
                return false;
        }
        return true;
    }
    if (auto* array = dynamic_cast<const CVariantArray*>(a)) {
        auto* other = dynamic_cast<const CVariantArray*>(b);
        if (array->getCount() != other->getCount())
            return false;
        for (int32_t i = 0; i < array->getCount(); ++i)
            if (!sameTree(array->get(i).get(), other->get(i).get()))
                return false;
        return true;
    }
    if (auto* text = dynamic_cast<const CVariantString*>(a))
        return text->getValue() == dynamic_cast<const CVariantString*>(b)->getValue();
    if (auto* integer = dynamic_cast<const CVariantInt64*>(a))
        return integer->getValue() == dynamic_cast<const CVariantInt64*>(b)->getValue();
    if (auto* real = dynamic_cast<const CVariantDouble*>(a))
        return real->getValue() == dynamic_cast<const CVariantDouble*>(b)->getValue();
    if (auto* boolean = dynamic_cast<const CVariantBoolean*>(a))
        return boolean->getValue() == dynamic_cast<const CVariantBoolean*>(b)->getValue();
    return dynamic_cast<const CVariantNull*>(a) != nullptr;
}

// Trees of every kind the parser makes, with texts that need escapes, non-ASCII characters
// and surrogate pairs, and numbers that survive the six digits of "%g".
class TreeMaker {
public:
    explicit TreeMaker(uint32_t seed) : m_seed(seed) {}

    P<IVariant> make(int depth) {
        switch (next(depth > 0 ? 9 : 6)) {
        case 0:
            return tamu::make<CVariantString>(text());
        case 1:
            return tamu::make<CVariantInt64>(static_cast<int64_t>(next(2000000)) - 1000000);
        case 2:
            return tamu::make<CVariantDouble>(static_cast<double>(next(20000)) - 10000.0 + 0.5);
        case 3:
            return tamu::make<CVariantBoolean>(next(2) == 1);
        case 4:
            return tamu::make<CVariantNull>();
        case 5:
            return tamu::make<CVariantInt64>(static_cast<int64_t>(next(1u << 30)) << 23);
        case 6:
        case 7: {
            auto array = tamu::make<CVariantArray>();
            for (uint32_t i = next(4); i > 0; --i)
                array->append(make(depth - 1));
            return array;
        }
        default: {
            auto map = tamu::make<CVariantMap>();
            for (uint32_t i = next(4); i > 0; --i)
                map->set(text(), make(depth - 1));
            return map;
        }
        }
    }

private:
    uint32_t next(uint32_t bound) {
        m_seed = m_seed * 1664525u + 1013904223u;
        return (m_seed >> 8) % bound;
    }

    P<IString> text() {
        static const char16_t* pieces[] = {
            u"a", u"Z",      u"\\",     u"\"",         u"/",      u"\b", u"\f", u"\n", u"\r", u"\t",
            u" ", u"\u00e9", u"\u20ac", u"\U0001F600", u"\u0001", u"{",  u"]",  u":",  u","};
        std::u16string result;
        for (uint32_t i = next(6); i > 0; --i)
            result += pieces[next(sizeof(pieces) / sizeof(pieces[0]))];
        return stringConv::fromStd(result);
    }

    uint32_t m_seed;
};

} // namespace

TEST(JsonParser, TopLevelSkipsLeadingCharactersAndIgnoresTrailingOnes) {
    EXPECT_TRUE(make<CJsonParser>()->parse(stringConv::fromStd(std::string())).isNull());
    EXPECT_TRUE(make<CJsonParser>()->parse(nullptr).isNull());
    for (const char* text : {"  junk{}", "{}", "\xEF\xBB\xBF{ }", "x:[{}]"}) {
        P<IVariant> map = text[0] == 'x' ? element(parsed(text), 0) : parsed(text);
        ASSERT_NE(nullptr, dynamic_cast<CVariantMap*>(map.get())) << text;
        EXPECT_EQ(0, interfaceCast<CVariantMap>(map)->getCount());
    }
    EXPECT_EQ("unexpected end of stream", parseFailure("42"));
    EXPECT_EQ("[1]", reprinted("[1]] trailing {garbage"));
    EXPECT_EQ("[[],{}]", reprinted("junk [ \t[\r\n] ,\n{ } ]"));
}

TEST(JsonParser, ObjectsArraysAndTheLastOfTwoEqualKeys) {
    P<IVariant> tree = parsed(R"({ "a" : 1, "b":[true, false, null, "x"], "a":2, "c":{"d":{}} })");
    auto map = interfaceCast<CVariantMap>(tree);
    ASSERT_TRUE(map);
    EXPECT_EQ(3, map->getCount());
    EXPECT_EQ(2, valueOf<CVariantInt64>(map->get("a")));
    auto array = interfaceCast<CVariantArray>(map->get("b"));
    ASSERT_EQ(4, array->getCount());
    EXPECT_TRUE(valueOf<CVariantBoolean>(array->get(0)));
    EXPECT_FALSE(valueOf<CVariantBoolean>(array->get(1)));
    EXPECT_NE(nullptr, dynamic_cast<CVariantNull*>(array->get(2).get()));
    EXPECT_EQ("x", s(valueOf<CVariantString>(array->get(3))));
    EXPECT_EQ(R"({"a":2,"b":[true,false,null,"x"],"c":{"d":{}}})", printed(tree.get()));
}

TEST(JsonParser, NumbersAtTheIntegerDoubleBoundary) {
    P<IVariant> list = parsed("[1, 2.5, -0, 1e1, 1e2, 15e-1, 1.000001]");
    auto array = interfaceCast<CVariantArray>(list);
    ASSERT_EQ(7, array->getCount());
    EXPECT_EQ(1, valueOf<CVariantInt64>(array->get(0)));
    EXPECT_EQ(2.5, valueOf<CVariantDouble>(array->get(1)));
    EXPECT_EQ(0, valueOf<CVariantInt64>(array->get(2)));
    EXPECT_EQ(10, valueOf<CVariantInt64>(array->get(3)));
    EXPECT_EQ(100.0, valueOf<CVariantDouble>(array->get(4)));
    EXPECT_EQ(1, valueOf<CVariantInt64>(array->get(5)));
    EXPECT_EQ(1, valueOf<CVariantInt64>(array->get(6)));

    // A fraction of exactly 1e-05 is no longer below the limit.
    EXPECT_EQ("double 1.00001", number("1.00001"));
    EXPECT_EQ("int 1", number("1.0000099"));
    EXPECT_EQ("int -2", number("-2.000001"));
    EXPECT_EQ("double -1.5", number("-1.5"));
    EXPECT_EQ("int -1", number("-15e-1"));
    EXPECT_EQ("int 0", number("1e-1"));
    EXPECT_EQ("int 0", number("-"));
    EXPECT_EQ("double 100", number("1E+2"));
    EXPECT_EQ("double 150", number("1.5e2"));
    EXPECT_EQ("double 0.015", number("1.5e-2"));
    EXPECT_EQ("int 1234", number("1234"));
    // Integers pass through a double: beyond 2^53 they round, beyond 2^63 the answer is the
    // lowest integer, and digits past 64 bits wrap.
    EXPECT_EQ("int 9007199254740992", number("9007199254740993"));
    EXPECT_EQ("int -9223372036854775808", number("9223372036854775807"));
    EXPECT_EQ("int -9223372036854775808", number("-9223372036854775808"));
    EXPECT_EQ("int 1", number("18446744073709551617"));
    EXPECT_EQ("int -9223372036854775808", number("9223372036854775807e1"));
    // Huge exponents end quickly at infinity and zero.
    EXPECT_EQ("double inf", number("1e999999999"));
    EXPECT_EQ("int 0", number("1e-999999999"));
    EXPECT_EQ("double 0", number("0.5e-999999999"));
    // A leading zero stands alone.
    EXPECT_EQ("Expected char ']' not found at postion 6 - found '1'", parseFailure("[0123]"));
}

TEST(JsonParser, StringEscapes) {
    P<IVariant> list =
        parsed(R"(["\"\\\/\b\f\n\r\t", "\u00e9", "\U0041\u00Af\u00aF", "", "a\u0000b",
        "\ud83d\ude00", "raw	tab"])");
    EXPECT_EQ(u"\"\\/\b\f\n\r\t", units(element(list, 0)));
    EXPECT_EQ(u"\u00e9", units(element(list, 1)));
    EXPECT_EQ(1, valueOf<CVariantString>(element(list, 1))->getLength());
    EXPECT_EQ(u"A\u00af\u00af", units(element(list, 2)));
    EXPECT_EQ(u"", units(element(list, 3)));
    EXPECT_EQ(std::u16string(u"a\0b", 3), units(element(list, 4)));
    EXPECT_EQ(u"\U0001F600", units(element(list, 5)));
    EXPECT_EQ(u"raw\ttab", units(element(list, 6)));

    // A zero unit survives printing and a second parse.
    std::string once = printed(list.get());
    EXPECT_EQ(once, reprinted(once));
    EXPECT_NE(std::string::npos, once.find(std::string("\"a\0b\"", 5)));
}

TEST(JsonParser, EveryGrammarFailureHasItsText) {
    EXPECT_EQ("unknown object for parse value", jsonFailure("[x]"));
    EXPECT_EQ("unknown object for parse value", jsonFailure("[1,]"));
    EXPECT_EQ("unknown object for parse value", jsonFailure("{\"a\":.5}"));
    EXPECT_EQ("unexspected end of stream", jsonFailure("[\"abc"));
    EXPECT_EQ("unexspected end of stream", jsonFailure("[\"abc\\\""));
    EXPECT_EQ("stream size to small for reading unicode char", jsonFailure("[\"\\u12"));
    EXPECT_EQ("could not parse unicode escaped string", jsonFailure("[\"\\u12G4\"]"));
    EXPECT_EQ("could not parse unicode escaped string", jsonFailure("[\"\\u12\"]"));
    EXPECT_EQ("unknown char in excaped string: x", jsonFailure("[\"\\x\"]"));
    EXPECT_EQ("unknown char in excaped string: \xC3\xA9", jsonFailure("[\"\\\xC3\xA9\"]"));
    EXPECT_EQ("could not parse boolean value", jsonFailure("[TRUE]"));
    EXPECT_EQ("could not parse boolean value", jsonFailure("[True]"));
    EXPECT_EQ("could not parse boolean value", jsonFailure("[fals]"));
    EXPECT_EQ("could not parse boolean value", jsonFailure("[Fals"));
    EXPECT_EQ("could not parse boolean value", jsonFailure("[tru"));
}

TEST(JsonParser, PunctuationAndEarlyEndsFailInTheCharacterSteps) {
    EXPECT_EQ("end of stream found while advancing ignored chars", parseFailure("["));
    EXPECT_EQ("end of stream found while advancing ignored chars", parseFailure("[1 "));
    EXPECT_EQ("end of stream found while advancing ignored chars", parseFailure("{\"a\":1"));
    EXPECT_EQ("unexpected end of stream", parseFailure("[\""));
    EXPECT_EQ("unexpected end of stream", parseFailure("[n"));
    EXPECT_EQ("Expected char ':' not found at postion 12 - found '1'", parseFailure("{\"a\" 1}"));
    EXPECT_EQ("Expected char '\"' not found at postion 4 - found 'a'", parseFailure("{a:1}"));
    EXPECT_EQ("Expected char '\"' not found at postion 16 - found '}'", parseFailure("{\"a\":1,}"));
    EXPECT_EQ("Expected char '}' not found at postion 16 - found ']'", parseFailure("{\"a\":1 ]"));
    EXPECT_EQ("Expected char ']' not found at postion 8 - found '2'", parseFailure("[1 2]"));
    EXPECT_EQ("Expected char 'l' not found at postion 10 - found ']'", parseFailure("[nul]"));
    // Grammar failures are errors of their own kind.
    EXPECT_EQ("<no failure>", parseFailure("[]"));
    EXPECT_THROW(parsed("[x]"), CError);
}

TEST(JsonParser, NullInAnyCaseAndOneParserForSeveralTexts) {
    auto parser = make<CJsonParser>();
    for (const char* text : {"[null]", "[NULL]", "[Null]", "[nULl]"}) {
        P<IVariant> value = element(parser->parse(stringConv::fromUTF8(text)), 0);
        EXPECT_NE(nullptr, dynamic_cast<CVariantNull*>(value.get())) << text;
    }
    EXPECT_THROW(parser->parse(str("[bad]")), CJsonParserError);
    // A failed parse leaves nothing behind for the next one.
    EXPECT_EQ("[2]", printed(parser->parse(str("[2]")).get()));
}

TEST(ParserBase, StepsThatTheGrammarDoesNotReach) {
    CStepParser parser(u"aB");
    EXPECT_FALSE(parser.isDigit());
    parser.expectIgnoreCase(u'A');
    parser.expectIgnoreCase(u'b');
    EXPECT_FALSE(parser.hasMore());
    EXPECT_FALSE(parser.isZero());
    EXPECT_FALSE(parser.isDigit1to9());
    try {
        parser.expect(u'x');
        ADD_FAILURE() << "expect at the end";
    } catch (const CParseError& e) {
        EXPECT_EQ("unexspected end of stream", s(e.getMessage()));
    }
    EXPECT_EQ(7, CParserBase::digitValue(u'7', true));
    EXPECT_EQ(-1, CParserBase::digitValue(u'x', false));
    EXPECT_THROW(CParserBase::digitValue(u'x', true), CParseError);

    CStepParser digits(u"0 9");
    EXPECT_TRUE(digits.isZero());
    EXPECT_FALSE(digits.isDigit1to9());
    digits.skip(1);
    EXPECT_FALSE(digits.isDigit());
    digits.skipWhitespace();
    EXPECT_TRUE(digits.isDigit1to9());
    EXPECT_EQ(u'9', digits.peekChar());
    EXPECT_EQ(u'9', digits.readChar());
    EXPECT_THROW(digits.peekChar(), CParseError);
}

TEST(JsonPrinter, CompactAndPrettyByteForByte) {
    auto map = make<CVariantMap>();
    auto list = make<CVariantArray>();
    list->append(make<CVariantInt64>(1));
    list->append(make<CVariantInt64>(2));
    map->set("k", list);
    EXPECT_EQ("{\"k\":[1,2]}", printed(map.get()));
    EXPECT_EQ("{\n\t\"k\": [\n\t\t1,\n\t\t2\n\t]\n}", printed(map.get(), true));

    auto empty = make<CVariantArray>();
    EXPECT_EQ("[]", printed(empty.get()));
    EXPECT_EQ("[\n\n]", printed(empty.get(), true));
    EXPECT_EQ("{\n\n}", printed(make<CVariantMap>().get(), true));

    // Keys in their order, whatever the order they were set in; the indentation of a printer
    // is back to nothing after each print.
    auto nested = make<CVariantMap>();
    nested->set("b", make<CVariantBoolean>(false));
    nested->set("a", make<CVariantArray>());
    nested->set("c", make<CVariantMap>());
    auto pretty = make<CJsonPrinter>(true);
    const char* expected = "{\n\t\"a\": [\n\n\t],\n\t\"b\": false,\n\t\"c\": {\n\n\t}\n}";
    EXPECT_EQ(expected, s(pretty->print(nested.get())));
    EXPECT_EQ(expected, s(pretty->print(nested.get())));
}

TEST(JsonPrinter, ScalarsAndEscapes) {
    EXPECT_EQ("0.1", printed(make<CVariantDouble>(0.1).get()));
    EXPECT_EQ("1.23457e+06", printed(make<CVariantDouble>(1234567.0).get()));
    EXPECT_EQ("-2.5e-07", printed(make<CVariantDouble>(-2.5e-7).get()));
    EXPECT_EQ("-9223372036854775808",
              printed(make<CVariantInt64>(std::numeric_limits<int64_t>::min()).get()));
    EXPECT_EQ("18446744073709551615",
              printed(make<CVariantUInt64>(std::numeric_limits<uint64_t>::max()).get()));
    EXPECT_EQ("-2147483648",
              printed(make<CVariantInt32>(std::numeric_limits<int32_t>::min()).get()));
    EXPECT_EQ("true", printed(make<CVariantBoolean>(true).get()));
    EXPECT_EQ("null", printed(make<CVariantNull>().get()));
    EXPECT_EQ("", printed(nullptr));
    EXPECT_EQ("\"\\\\\\\"\\b\\f\\n\\r\\t/\x01\xC3\xA9\"",
              printed(make<CVariantString>(str(u"\\\"\b\f\n\r\t/\u0001\u00e9")).get()));

    auto withHole = make<CVariantArray>();
    withHole->append(make<CVariantInt64>(1));
    withHole->append(nullptr);
    EXPECT_EQ("[1,]", printed(withHole.get()));
    auto keyed = make<CVariantMap>();
    keyed->set(str("a\"b"), make<CVariantString>(str("")));
    EXPECT_EQ("{\"a\\\"b\":\"\"}", printed(keyed.get()));
}

TEST(JsonRoundTrip, GeneratedTreesSurvivePrintAndParse) {
    for (uint32_t seed = 1; seed <= 300; ++seed) {
        P<IVariant> tree = TreeMaker(seed).make(4);
        // The top level must be a container.
        auto top = make<CVariantArray>();
        top->append(tree);
        for (bool pretty : {false, true}) {
            std::string text = printed(top.get(), pretty);
            P<IVariant> back = parsed(text);
            ASSERT_TRUE(sameTree(top.get(), back.get())) << "seed " << seed << ": " << text;
            EXPECT_EQ(text, printed(back.get(), pretty));
        }
    }
}
