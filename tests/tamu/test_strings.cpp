#include "tamu/CCPString.h"
#include "tamu/CLatin1String.h"
#include "tamu/CUTF16String.h"
#include "tamu/CUTF32String.h"
#include "tamu/CUTF8String.h"
#include "tamu/CWCharString.h"
#include "tamu/String.h"
#include "tamu/TNullString.h"
#include "tamu/TSimpleHashTable.h"
#include "tamu/charEncodings.h"
#include "tamu/stringConv.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>

using namespace tamu;

namespace {

std::string utf8(const P<IString>& s) {
    return stringConv::toStdString(*s);
}

// "é" in each encoding.
P<IString> eAcuteIn(uint32_t encodingId) {
    if (encodingId == utf8EncodingId)
        return stringConv::fromUTF8("\xC3\xA9");
    if (encodingId == utf16EncodingId)
        return stringConv::fromUTF16(u"\u00E9");
    if (encodingId == utf32EncodingId)
        return stringConv::fromUTF32(U"\u00E9");
    if (encodingId == latin1EncodingId)
        return stringConv::fromLatin1("\xE9");
    return stringConv::fromCP("\xC3\xA9"); // the "C" locale's code page is UTF-8
}

const uint32_t allEncodings[] = {utf8EncodingId, utf16EncodingId, utf32EncodingId, latin1EncodingId,
                                 codePageEncodingId};

} // namespace

TEST(NullStrings, AreEmptySingletonsPerClass) {
    const P<IString> nulls[] = {CNullWCharString::instance(),  CNullUTF16String::instance(),
                                CNullUTF8String::instance(),   CNullUTF32String::instance(),
                                CNullLatin1String::instance(), CNullCPString::instance()};
    for (const P<IString>& n : nulls) {
        EXPECT_TRUE(n->isNull());
        EXPECT_TRUE(n->isEmpty());
        EXPECT_EQ(0, n->getLength());
        EXPECT_EQ(0, n->getByteLength());
        EXPECT_TRUE(n->equals(""));
    }
    EXPECT_EQ(nulls[2], stringConv::fromUTF8(nullptr));
    EXPECT_EQ(nulls[0], stringConv::fromUTF16(nullptr));
    EXPECT_EQ(nulls[0], stringConv::fromWChar(nullptr));
    EXPECT_EQ(nulls[4], stringConv::fromLatin1(nullptr));
    EXPECT_EQ(nulls[5], stringConv::fromCP(nullptr));
    EXPECT_EQ(nulls[1], stringConv::fromUTF16Bytes(nullptr));
    // Converting a null string gives the target's null string.
    EXPECT_EQ(nulls[2], stringConv::toUTF8(nulls[0]));
    EXPECT_EQ(nulls[5], stringConv::toCP(nulls[2]));

    P<IString> empty = stringConv::fromUTF8("");
    EXPECT_FALSE(empty->isNull());
    EXPECT_TRUE(empty->isEmpty());
    EXPECT_FALSE(emptyString()->isNull());
    EXPECT_TRUE(emptyString()->isEmpty());
}

TEST(CString, StorageModesCopyAdoptOrReference) {
    char source[] = "abc";
    auto copied = make<CUTF8String>(source);
    auto referenced = make<CUTF8String>(source, 3, StringStorage::reference, -1, true);
    source[0] = 'x';
    EXPECT_EQ("abc", utf8(copied));
    EXPECT_NE(static_cast<const void*>(source), copied->getData());
    EXPECT_TRUE(copied->isZeroTerminated());
    EXPECT_EQ(static_cast<const void*>(source), referenced->getData());
    EXPECT_EQ("xbc", utf8(referenced));

    auto* buffer = static_cast<char16_t*>(std::malloc(3 * sizeof(char16_t)));
    std::memcpy(buffer, u"hi", 3 * sizeof(char16_t));
    auto adopted = make<CWCharString>(buffer, 4, StringStorage::adopt, -1, true);
    EXPECT_EQ(static_cast<const void*>(buffer), adopted->getData());
    EXPECT_EQ("hi", utf8(adopted)); // the string frees the buffer (checked under sanitizers)

    // A copy with an explicit length ends in a terminator of the encoding's size.
    auto wide = make<CUTF32String>(U"abcdef", 8);
    EXPECT_EQ(2, wide->getLength());
    char32_t terminator;
    std::memcpy(&terminator, static_cast<const char*>(wide->getData()) + 8, 4);
    EXPECT_EQ(U'\0', terminator);
}

TEST(CString, LiteralWrappersReferenceTheLiteral) {
    static const char text[] = "h\xC3\xA9llo";
    P<IString> s = str(text);
    EXPECT_EQ(static_cast<const void*>(text), s->getData());
    EXPECT_EQ(5, s->getLength());
    EXPECT_TRUE(s->isZeroTerminated());
    EXPECT_TRUE(str(u"h\u00E9llo")->equals(s));
    EXPECT_TRUE(str(U"h\u00E9llo")->equals(s));
    EXPECT_EQ(utf16EncodingId, str(u"x")->getEncodingId());
}

TEST(CString, CountsAndPositionsSkipInvalidBytes) {
    // a, stray 0x80, é, €, 😀, b
    P<IString> s = stringConv::fromUTF8("a\x80\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80"
                                        "b");
    ASSERT_EQ(5, s->getLength());
    EXPECT_EQ((StringPosition{1, 2}), s->getPosition(1));
    EXPECT_EQ((StringPosition{3, 7}), s->getPosition(3));
    EXPECT_EQ((StringPosition{5, 12}), s->getPosition(-1));
    EXPECT_EQ((StringPosition{5, 12}), s->getPosition(9));
    EXPECT_EQ(0xE9u, s->getCharAt(1));
    EXPECT_EQ(0x1F600u, s->getCharAt(s->getPosition(3)));
    EXPECT_EQ(0u, s->getCharAt(5));
    EXPECT_EQ((StringPosition{1, 2}), s->getNextPosition({0, 0}));
    EXPECT_EQ((StringPosition{5, 12}), s->getNextPosition({4, 11}));

    // Fixed-width text takes the short way; it must give the same answers.
    P<IString> wide = stringConv::toUTF16(s);
    EXPECT_EQ(5, wide->getLength());
    EXPECT_EQ((StringPosition{4, 10}), wide->getPosition(4));
    P<IString> ascii = str("abcd");
    EXPECT_EQ((StringPosition{2, 2}), ascii->getPosition(2));
}

TEST(CString, HashDependsOnlyOnCodePoints) {
    uint32_t expected = eAcuteIn(utf8EncodingId)->hashCode();
    for (uint32_t id : allEncodings)
        EXPECT_EQ(expected, eAcuteIn(id)->hashCode()) << id;

    P<IString> long8 = stringConv::fromUTF8("Gr\xC3\xBC\xC3\x9F"
                                            "e \xF0\x9F\x98\x80 aus K\xC3\xB6ln, "
                                            "zwanzig Zeichen und mehr");
    EXPECT_EQ(long8->hashCode(), stringConv::toUTF16(long8)->hashCode());
    EXPECT_EQ(long8->hashCode(), stringConv::toUTF32(long8)->hashCode());
    // Invalid bytes take no part; order does.
    EXPECT_EQ(str("ab")->hashCode(), stringConv::fromUTF8("a\x80"
                                                          "b")
                                         ->hashCode());
    EXPECT_NE(str("ab")->hashCode(), str("ba")->hashCode());
    EXPECT_EQ(0u, str("")->hashCode());
}

TEST(CString, CompareByCodePointAcrossEncodings) {
    EXPECT_EQ(0, str("abc")->compare(u"abc"));
    EXPECT_EQ(-1, str("abc")->compare(u"abd"));
    EXPECT_EQ(1, str(u"abd")->compare("abc"));
    EXPECT_EQ(-1, str("ab")->compare("abc")); // a proper prefix orders first
    EXPECT_EQ(1, str("abc")->compare(str(U"ab")));
    EXPECT_EQ(0, str("abcx")->compare("abcy", 3));
    EXPECT_EQ(-1, str("abcx")->compare("abcy", 4));
    // U+1F600 is above U+FFFD although its first UTF-16 unit (0xD83D) is below 0xFFFD.
    EXPECT_EQ(1, str(u"\U0001F600")->compare(u"\uFFFD"));
    EXPECT_EQ(1, str(u"\U0001F600")->compare("\xEF\xBF\xBD"));
    EXPECT_EQ(-1, str("\xEF\xBF\xBD")->compare(str(U"\U0001F600")));
    EXPECT_EQ(0, stringConv::fromUTF8("a\x80"
                                      "b")
                     ->compare(u"ab"));
    EXPECT_TRUE(str("b")->equals(stringConv::fromLatin1("b")));
    EXPECT_FALSE(str("\xC3\xA9")->equals(stringConv::fromLatin1("\xC3\xA9")));
}

TEST(CString, CaseInsensitiveComparisonFoldsAcrossEncodings) {
    EXPECT_TRUE(str("\xC3\x84pfel")->equalsIgnoreCase(u"\u00E4PFEL"));
    EXPECT_TRUE(stringConv::fromLatin1("\xC4pfel")->equalsIgnoreCase(str(U"\u00E4PFEL")));
    // final sigma, capital sigma and sigma fold alike
    EXPECT_TRUE(str(u"\u03A3\u0391\u03A3")->equalsIgnoreCase("\xCF\x83\xCE\xB1\xCF\x82"));
    EXPECT_TRUE(str(u"\u212A")->equalsIgnoreCase("k")); // Kelvin sign
    // U+A7AE and U+026A are more than 32767 apart
    EXPECT_TRUE(str(u"\uA7AE")->equalsIgnoreCase(u"\u026A"));
    // Deseret, outside the first plane
    EXPECT_TRUE(str(u"\U00010400")->equalsIgnoreCase(str(U"\U00010428")));
    EXPECT_FALSE(str(u"\U00010400")->equalsIgnoreCase(u"\U00010429"));
    EXPECT_EQ(1, str(u"\U00010400")->compareIgnoreCase(u"\u0500")); // folding keeps the plane
    EXPECT_EQ(0, str("ABC")->compareIgnoreCase("abd", 2));
    EXPECT_EQ(-1, str("ABC")->compareIgnoreCase("abd"));
    EXPECT_EQ(1, str("abc")->compareIgnoreCase("AB"));
    EXPECT_FALSE(str("abc")->equalsIgnoreCase("ABCD"));
    EXPECT_TRUE(str("Content-Type")->startsWithIgnoreCase("content-"));
}

TEST(CString, RangeFormsSelectCharactersOfTheReceiver) {
    P<IString> s = stringConv::fromUTF8("gr\xC3\xBC\xC3\x9F"
                                        "e welt");
    EXPECT_TRUE(s->equals("welt", 6));
    EXPECT_TRUE(s->equals(u"welt", 6, 4));
    EXPECT_TRUE(s->equals("we", 6, 2));
    EXPECT_FALSE(s->equals("wel", 6));
    EXPECT_TRUE(s->equals(u"\u00FC\u00DF", 2, 2));
    EXPECT_TRUE(s->startsWith("we", 6));
    EXPECT_TRUE(s->startsWith(u"gr\u00FC"));
    EXPECT_FALSE(s->startsWith("gru"));
    EXPECT_FALSE(str("ab")->startsWith("abc"));
    EXPECT_TRUE(s->startsWithIgnoreCase("WE", 6));
    EXPECT_TRUE(s->endsWith(u"welt"));
    EXPECT_TRUE(s->endsWithIgnoreCase("E WELT"));
    EXPECT_FALSE(s->endsWith("x welt"));
    EXPECT_FALSE(str("lt")->endsWith("welt"));
}

TEST(CString, SearchesReportCharacterIndexAndByteOffset) {
    P<IString> s = stringConv::fromUTF8("\xC3\xA9t\xC3\xA9 \xC3\xA9t\xC3\xA9");
    EXPECT_EQ((StringPosition{1, 2}), s->find("t"));
    EXPECT_EQ((StringPosition{5, 8}), s->find(u"t\u00E9", {2, 3}));
    EXPECT_EQ(notFound, s->find("x"));
    EXPECT_EQ(4, s->indexOf(u"\u00E9t\u00E9", 1));
    EXPECT_EQ(-1, s->indexOf("t", 6));
    EXPECT_EQ(6, s->lastIndexOf("\xC3\xA9"));
    EXPECT_EQ(2, str("aaaa")->lastIndexOf("aa")); // occurrences may overlap
    EXPECT_EQ(4, s->indexOfChar(0xE9, 3));
    EXPECT_EQ(5, s->lastIndexOfChar('t'));
    EXPECT_EQ(-1, s->indexOfChar('x'));
    // invalid bytes between the characters of a match
    EXPECT_EQ(1, stringConv::fromUTF8("xa\x80"
                                      "b")
                     ->indexOf("ab"));
}

TEST(CStringSlice, SubstringsAreViewsThatOutliveTheirSource) {
    P<IString> slice;
    P<IString> tail;
    {
        P<IString> source = stringConv::fromStd(std::string("k\xC3\xB6nig und k\xC3\xB6nigin"));
        slice = source->substring(1, 5);
        tail = source->substring(10);
        EXPECT_EQ(static_cast<const char*>(source->getData()) + 1, slice->getData());
    }
    EXPECT_EQ("\xC3\xB6nig", utf8(slice));
    EXPECT_EQ(4, slice->getLength());
    EXPECT_FALSE(slice->isZeroTerminated());
    EXPECT_TRUE(tail->isZeroTerminated()); // it ends where its source ended
    EXPECT_EQ("k\xC3\xB6nigin", utf8(tail));

    // A slice of a slice still keeps the first source alive.
    P<IString> inner = slice->substring(1, 3);
    slice = nullptr;
    EXPECT_EQ("ni", utf8(inner));

    // Conversion to its own encoding copies a slice to terminate it; a terminated one is shared.
    P<IString> terminated = stringConv::toUTF8(inner);
    EXPECT_NE(inner.get(), terminated.get());
    EXPECT_TRUE(terminated->isZeroTerminated());
    EXPECT_EQ('\0', static_cast<const char*>(terminated->getData())[2]);
    EXPECT_EQ(tail, stringConv::toUTF8(tail));

    P<IString> whole = str("abc");
    EXPECT_EQ(whole, whole->substring(0, -1));
    EXPECT_TRUE(whole->substring(2, 1)->isEmpty());
    EXPECT_EQ("bc", utf8(whole->substring(StringPosition{1, 1}, StringPosition{-1, 0})));
}

TEST(CString, ConcatAndPrependKeepTheReceiversEncoding) {
    P<IString> wide = str(u"caf");
    P<IString> joined = wide->concat("\xC3\xA9");
    EXPECT_EQ(utf16EncodingId, joined->getEncodingId());
    EXPECT_TRUE(joined->equals(u"caf\u00E9"));
    EXPECT_TRUE(wide->prepend(str(U"\U0001F600"))->equals(u"\U0001F600caf"));
    EXPECT_EQ(10, wide->prepend(str(U"\U0001F600"))->getByteLength());

    P<IString> latin = stringConv::fromLatin1("preis: ");
    EXPECT_EQ("preis: 5?", utf8(latin->concat(u"5\u20AC")));
    EXPECT_EQ(latin1EncodingId, latin->concat(u"5\u20AC")->getEncodingId());

    // Bytes of one encoding joined at the seam may form one character.
    P<IString> lead = stringConv::fromUTF8("a\xC3");
    P<IString> merged = lead->concat(stringConv::fromUTF8("\xA9"));
    EXPECT_EQ(1, lead->getLength());
    EXPECT_EQ(2, merged->getLength());
    EXPECT_TRUE(merged->equals(u"a\u00E9"));

    EXPECT_EQ(wide, wide->concat(""));
    EXPECT_FALSE(CNullUTF8String::instance()->concat("x")->isNull());
}

TEST(CString, ReplaceSubstitutesEveryOccurrence) {
    P<IString> message = str("cannot open %FILE%: %FILE% is locked");
    EXPECT_EQ("cannot open /tmp/\xC3\xA9.flac: /tmp/\xC3\xA9.flac is locked",
              utf8(message->replace("%FILE%", u"/tmp/\u00E9.flac")));
    EXPECT_EQ(message, message->replace("%URI%", "x"));
    EXPECT_EQ(message, message->replace("", "x"));
    EXPECT_EQ("ba", utf8(str("aaa")->replace("aa", "b")));
    EXPECT_EQ("", utf8(str("aa")->replace("a", "")));
    P<IString> wide = str(u"x\u00E9x");
    EXPECT_TRUE(wide->replace(str("x"), "\xF0\x9F\x98\x80")->equals(u"\U0001F600\u00E9\U0001F600"));
}

TEST(CString, CaseMappingAndTrimming) {
    EXPECT_EQ("HELLO, WORLD", utf8(str("Hello, World")->toUpperCase()));
    EXPECT_EQ("hello", utf8(str(u"HeLLo")->toLowerCase()));
    EXPECT_EQ(utf16EncodingId, str(u"HeLLo")->toLowerCase()->getEncodingId());
    EXPECT_EQ("a b", utf8(str(" \t a b\r\n")->trim()));
    EXPECT_TRUE(str(" \n ")->trim()->isEmpty());
    P<IString> clean = str("ab");
    EXPECT_EQ(clean, clean->trim());
}

TEST(StringConv, ConversionsShareRecodeOrDrop) {
    P<IString> cp = stringConv::fromCP("x");
    EXPECT_EQ(cp, stringConv::toCP(cp));
    P<IString> eight = str("x");
    EXPECT_EQ(eight, stringConv::toUTF8(eight));
    EXPECT_EQ("?uro", utf8(stringConv::toLatin1(str(u"\u20ACuro"))));
    EXPECT_EQ("\xE9", std::string(static_cast<const char*>(
                          stringConv::toLatin1(str(u"\u00E9"))->getData())));

    P<IString> withLoneSurrogate = stringConv::fromUTF16(u"a\xD800"
                                                         "b");
    EXPECT_EQ("ab", utf8(withLoneSurrogate));
    EXPECT_EQ(std::u16string(u"\U0001F600\u00E9"),
              stringConv::toStdU16String(*str("\xF0\x9F\x98\x80\xC3\xA9")));
    P<IString> fromWide = stringConv::fromWChar(L"\u00E9\U0001F600");
    EXPECT_EQ(utf16EncodingId, fromWide->getEncodingId());
    EXPECT_EQ(6, fromWide->getByteLength());
    EXPECT_EQ(std::wstring(L"\u00E9\U0001F600"), stringConv::toWString(*fromWide));
}

TEST(StringConv, CodePageTextIsReadableUTF8InTheCLocale) {
    // What an exception's what() hands to a terminal in a program that never called setlocale.
    P<IString> message = str(u"Datei \u201Ek\u00F6ln.flac\u201C fehlt");
    P<IString> cp = stringConv::toCP(message);
    EXPECT_EQ(codePageEncodingId, cp->getEncodingId());
    EXPECT_STREQ("Datei \xE2\x80\x9Ek\xC3\xB6ln.flac\xE2\x80\x9C fehlt",
                 static_cast<const char*>(cp->getData()));
    EXPECT_EQ(cp, stringConv::toCP(cp));
}

TEST(String, HashTableFindsKeysInAnyEncoding) {
    TSimpleHashTable<String, int> table;
    table.put(String(str("k\xC3\xB6ln")), 1);
    table.put(String(str(u"wien")), 2);
    const int* found = table.get(String(str(U"k\u00F6ln")));
    ASSERT_NE(nullptr, found);
    EXPECT_EQ(1, *found);
    table.put(String(stringConv::fromLatin1("k\xF6ln")), 3);
    EXPECT_EQ(2, table.getCount());
    EXPECT_EQ(3, *table.get(String(str("k\xC3\xB6ln"))));
    EXPECT_EQ(nullptr, table.get(String(str("K\xC3\xB6ln"))));

    EXPECT_TRUE(String() == String(str("")));
    EXPECT_FALSE(String() == String(str("a")));
    EXPECT_TRUE(String(str("a")) < String(str(u"b")));
    EXPECT_TRUE(String(u"x").equals("x"));
}

TEST(CObject, ToStringNamesTheDynamicClass) {
    P<IBase> object = make<CObject>();
    EXPECT_EQ("tamu::CObject object", utf8(object->toString()));
    P<IBase> text = str("itself");
    EXPECT_EQ(text, text->toString());
}
