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

#include <fstream>
#include <sstream>

#include <cstdlib>
#include <cstring>
#include <string>

using namespace tamu;

namespace {

std::string utf8(const P<IString>& s) {
    return stringConv::toStdString(*s);
}

} // namespace

TEST(NullStrings, AreEmptySingletonsPerClass) {
    EXPECT_TRUE(stringConv::fromUTF8(nullptr)->equals(""));
    // Converting a null string gives the target's null string.
    EXPECT_EQ(CNullCPString::instance(), stringConv::toCP(stringConv::fromUTF16(nullptr)));
    EXPECT_FALSE(stringConv::fromUTF8("")->isNull());
}

TEST(CString, StorageModesCopyAdoptOrReference) {
    char source[] = "abc";
    auto copied = make<CUTF8String>(source);
    auto referenced = make<CUTF8String>(source, 3, StringStorage::reference, -1, true);
    source[0] = 'x';
    EXPECT_EQ("abc", utf8(copied));
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

TEST(CString, CountsAndPositionsSkipInvalidBytes) {
    // a, stray 0x80, é, €, 😀, b
    P<IString> s = stringConv::fromUTF8("a\x80\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80"
                                        "b");
    ASSERT_EQ(5, s->getLength());
    EXPECT_EQ((StringPosition{5, 12}), s->getPosition(-1));
    EXPECT_EQ(0x1F600u, s->getCharAt(s->getPosition(3)));
    // Fixed-width text takes the short way; it must give the same answers.
    EXPECT_EQ((StringPosition{4, 10}), stringConv::toUTF16(s)->getPosition(4));
}

TEST(CString, HashDependsOnlyOnCodePoints) {
    const P<IString> eAcute[] = {stringConv::fromUTF8("\xC3\xA9"), stringConv::fromUTF16(u"\u00E9"),
                                 stringConv::fromUTF32(U"\u00E9"), stringConv::fromLatin1("\xE9"),
                                 stringConv::fromCP("\xC3\xA9")};
    for (const P<IString>& s : eAcute)
        EXPECT_EQ(eAcute[0]->hashCode(), s->hashCode()) << s->getEncodingId();
    P<IString> long8 =
        str("Gr\xC3\xBC\xC3\x9F \xF0\x9F\x98\x80 aus K\xC3\xB6ln, zwanzig Zeichen und mehr");
    EXPECT_EQ(long8->hashCode(), stringConv::toUTF16(long8)->hashCode());
    // Invalid bytes take no part; order does.
    EXPECT_EQ(str("ab")->hashCode(), stringConv::fromUTF8("a\x80"
                                                          "b")
                                         ->hashCode());
    EXPECT_NE(str("ab")->hashCode(), str("ba")->hashCode());
}

TEST(CString, CompareByCodePointAcrossEncodings) {
    EXPECT_EQ(-1, str("ab")->compare("abc")); // a proper prefix orders first
    // U+1F600 is above U+FFFD although its first UTF-16 unit (0xD83D) is below 0xFFFD.
    EXPECT_EQ(1, str(u"\U0001F600")->compare("\xEF\xBF\xBD"));
    EXPECT_FALSE(str("\xC3\xA9")->equals(stringConv::fromLatin1("\xC3\xA9")));
}

TEST(CString, CaseInsensitiveComparisonFoldsAcrossEncodings) {
    EXPECT_TRUE(stringConv::fromLatin1("\xC4pfel")->equalsIgnoreCase(str(U"\u00E4PFEL")));
    // final sigma, capital sigma and sigma fold alike
    EXPECT_TRUE(str(u"\u03A3\u0391\u03A3")->equalsIgnoreCase("\xCF\x83\xCE\xB1\xCF\x82"));
    // U+A7AE and U+026A are more than 32767 apart
    EXPECT_TRUE(str(u"\uA7AE")->equalsIgnoreCase(u"\u026A"));
    // Deseret, outside the first plane
    EXPECT_TRUE(str(u"\U00010400")->equalsIgnoreCase(str(U"\U00010428")));
    EXPECT_EQ(1, str(u"\U00010400")->compareIgnoreCase(u"\u0500")); // folding keeps the plane
    EXPECT_TRUE(str("gr\xC3\xBC\xC3\x9F"
                    "e welt")
                    ->endsWithIgnoreCase("E WELT"));
}

// Every simple folding Unicode lists (status C and S) makes the pair equal ignoring case, in UTF-8
// and UTF-32 alike; the alternating upper/lower blocks (U+0100/U+0101, U+0141/U+0142, ...) are
// where a table built off by one shows.
TEST(CString, CaseInsensitiveComparisonFollowsTheWholeCaseFoldingTable) {
    std::ifstream table("/usr/share/unicode/CaseFolding.txt");
    ASSERT_TRUE(table) << "CaseFolding.txt (Debian package unicode-data) is missing";
    int pairs = 0;
    for (std::string line; std::getline(table, line);) {
        if (line.empty() || line[0] == '#')
            continue;
        std::istringstream fields(line);
        std::string code, status, mapping;
        std::getline(fields, code, ';');
        std::getline(fields, status, ';');
        std::getline(fields, mapping, ';');
        if (status != " C" && status != " S")
            continue;
        const auto from = static_cast<char32_t>(std::stoul(code, nullptr, 16));
        const auto to = static_cast<char32_t>(std::stoul(mapping, nullptr, 16));
        const std::u32string a(1, from), b(1, to);
        P<IString> upper = stringConv::fromUTF32(a.c_str(), 1);
        P<IString> folded = stringConv::fromUTF32(b.c_str(), 1);
        ASSERT_TRUE(upper->equalsIgnoreCase(folded)) << code;
        ASSERT_TRUE(stringConv::toUTF8(folded)->equalsIgnoreCase(stringConv::toUTF8(upper)))
            << code;
        ASSERT_EQ(0, upper->compareIgnoreCase(folded)) << code;
        ++pairs;
    }
    EXPECT_GT(pairs, 1400);
    // Neighbours in an alternating block stay apart.
    EXPECT_FALSE(str(u"\u0100")->equalsIgnoreCase(u"\u0102"));
    EXPECT_FALSE(str(u"\u0141")->equalsIgnoreCase(u"\u0143"));
    EXPECT_TRUE(str(u"\u0141\u0100")->equalsIgnoreCase(u"\u0142\u0101"));
}

TEST(CString, SearchesReportCharacterIndexAndByteOffset) {
    EXPECT_EQ((StringPosition{5, 8}),
              str("\xC3\xA9t\xC3\xA9 \xC3\xA9t\xC3\xA9")->find(u"t\u00E9", {2, 3}));
    EXPECT_EQ(2, str("aaaa")->lastIndexOf("aa")); // occurrences may overlap
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
    }
    EXPECT_EQ("\xC3\xB6nig", utf8(slice));
    EXPECT_FALSE(slice->isZeroTerminated());
    EXPECT_TRUE(tail->isZeroTerminated()); // it ends where its source ended
    // A slice of a slice still keeps the first source alive.
    P<IString> inner = slice->substring(1, 3);
    slice = nullptr;
    EXPECT_EQ("ni", utf8(inner));
    // Conversion to its own encoding copies a slice to terminate it.
    EXPECT_EQ('\0', static_cast<const char*>(stringConv::toUTF8(inner)->getData())[2]);
}

TEST(CString, ConcatReplaceKeepTheReceiversEncoding) {
    EXPECT_EQ(10, str(u"caf")->prepend(str(U"\U0001F600"))->getByteLength());
    EXPECT_EQ("preis: 5?", utf8(stringConv::fromLatin1("preis: ")->concat(u"5\u20AC")));
    // Bytes of one encoding joined at the seam may form one character.
    EXPECT_TRUE(
        stringConv::fromUTF8("a\xC3")->concat(stringConv::fromUTF8("\xA9"))->equals(u"a\u00E9"));

    P<IString> message = str("cannot open %FILE%: %FILE% is locked");
    EXPECT_EQ("cannot open /tmp/\xC3\xA9.flac: /tmp/\xC3\xA9.flac is locked",
              utf8(message->replace("%FILE%", u"/tmp/\u00E9.flac")));
}

TEST(StringConv, ConversionsRecodeOrDrop) {
    EXPECT_EQ("?uro", utf8(stringConv::toLatin1(str(u"\u20ACuro"))));
    EXPECT_EQ("ab", utf8(stringConv::fromUTF16(u"a\xD800"
                                               "b")));
    P<IString> fromWide = stringConv::fromWChar(L"\u00E9\U0001F600");
    EXPECT_EQ(6, fromWide->getByteLength());
    EXPECT_EQ(std::wstring(L"\u00E9\U0001F600"), stringConv::toWString(*fromWide));
}

TEST(String, HashTableFindsKeysInAnyEncoding) {
    TSimpleHashTable<String, int> table;
    table.put(String(str("k\xC3\xB6ln")), 1);
    table.put(String(stringConv::fromLatin1("k\xF6ln")), 3);
    EXPECT_EQ(1, table.getCount());
    ASSERT_NE(nullptr, table.get(String(str(U"k\u00F6ln"))));
    EXPECT_EQ(3, *table.get(String(str(U"k\u00F6ln"))));
    EXPECT_EQ(nullptr, table.get(String(str("K\xC3\xB6ln"))));
}

TEST(CObject, ToStringNamesTheDynamicClass) {
    EXPECT_EQ("tamu::CObject object", utf8(make<CObject>()->toString()));
}
