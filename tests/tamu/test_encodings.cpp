#include "tamu/charEncodings.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

using namespace tamu;

namespace {

int32_t size(const std::string& bytes) {
    return static_cast<int32_t>(bytes.size());
}

std::string units16(std::initializer_list<uint16_t> units) {
    std::string bytes(units.size() * 2, '\0');
    std::memcpy(bytes.data(), units.begin(), bytes.size());
    return bytes;
}

std::string units32(std::initializer_list<uint32_t> units) {
    std::string bytes(units.size() * 4, '\0');
    std::memcpy(bytes.data(), units.begin(), bytes.size());
    return bytes;
}

std::vector<uint32_t> decodeAllForwards(const ICharEncoding& e, const std::string& bytes) {
    std::vector<uint32_t> out;
    uint32_t cp;
    for (int32_t pos = 0; (pos = e.decodeNextChar(cp, bytes.data(), size(bytes), pos)) >= 0;)
        out.push_back(cp);
    return out;
}

std::vector<uint32_t> decodeAllBackwards(const ICharEncoding& e, const std::string& bytes) {
    std::vector<uint32_t> out;
    uint32_t cp;
    for (int32_t pos = size(bytes);
         (pos = e.decodePrevChar(cp, bytes.data(), size(bytes), pos)) >= 0;)
        out.insert(out.begin(), cp);
    return out;
}

struct StrictCase {
    const char* what;
    std::string bytes;
    int32_t expectedEnd; // -1: invalid
    uint32_t expectedCodePoint;
};

} // namespace

TEST(CharEncodings, IdsSpellTheirShortNamesInMemory) {
    struct Expected {
        P<ICharEncoding> encoding;
        const char tag[5];
        const char* name;
        int32_t terminatorBytes;
        bool unicode;
    };
    const Expected table[] = {{getUTF8Encoding(), "UTF8", "UTF-8", 1, true},
                              {getUTF16Encoding(), "UF16", "UTF-16", 2, true},
                              {getUTF32Encoding(), "UF32", "UTF-32", 4, true},
                              {getLatin1Encoding(), "LAT1", "Latin-1", 1, true},
                              {getCPEncoding(), "CDPG", "CodePage", 1, false}};
    for (const Expected& e : table) {
        uint32_t id = e.encoding->getId();
        EXPECT_EQ(0, std::memcmp(&id, e.tag, 4)) << e.name;
        EXPECT_STREQ(e.name, e.encoding->getName());
        EXPECT_EQ(e.terminatorBytes, e.encoding->getEncodedSize(0)) << e.name;
        EXPECT_EQ(e.unicode, e.encoding->isUnicode()) << e.name;
    }
    EXPECT_EQ(getUTF8Encoding().get(), getUTF8Encoding().get());
}

TEST(UTF8Encoding, StrictDecodingFollowsTheRules) {
    auto e = getUTF8Encoding();
    const StrictCase cases[] = {
        {"ASCII", "A", 1, 'A'},
        {"two bytes", "\xC3\xA9", 2, 0xE9},
        {"three bytes", "\xE2\x82\xAC", 3, 0x20AC},
        {"four bytes", "\xF0\x9F\x98\x80", 4, 0x1F600},
        {"largest code point", "\xF4\x8F\xBF\xBF", 4, 0x10FFFF},
        {"only 0xC0 is refused as a two-byte lead", "\xC1\x81", 2, 0x41},
        {"stray continuation byte", "\x80", -1, 0},
        {"last continuation value", "\xBF", -1, 0},
        {"lead 0xC0", "\xC0\x80", -1, 0},
        {"above U+10FFFF", "\xF4\x90\x80\x80", -1, 0},
        {"lead 0xF8", "\xF8\x88\x80\x80\x80", -1, 0},
        {"bad continuation", "\xC3\x28", -1, 0},
        {"bad third byte", "\xE2\x82\x41", -1, 0},
        {"cut off after lead", "\xC3", -1, 0},
        {"cut off three-byte", "\xE2\x82", -1, 0},
        {"cut off four-byte", "\xF0\x9F\x98", -1, 0},
    };
    for (const StrictCase& c : cases) {
        uint32_t cp = 0;
        EXPECT_EQ(c.expectedEnd, e->decodeCharAt(cp, c.bytes.data(), size(c.bytes), 0)) << c.what;
        if (c.expectedEnd >= 0) {
            EXPECT_EQ(c.expectedCodePoint, cp) << c.what;
            EXPECT_EQ(c.expectedEnd, e->getCharSizeAt(c.bytes.data(), size(c.bytes), 0));
        } else {
            EXPECT_EQ(-1, e->getCharSizeAt(c.bytes.data(), size(c.bytes), 0)) << c.what;
        }
    }
    // A sequence is cut off by the buffer's length, not by the bytes behind it.
    std::string whole = "\xE2\x82\xAC";
    uint32_t cp;
    EXPECT_EQ(-1, e->decodeCharAt(cp, whole.data(), 2, 0));
}

TEST(UTF8Encoding, LenientWalkSkipsInvalidBytesBothWays) {
    auto e = getUTF8Encoding();
    // stray continuation, lead 0xC0, a cut-off sequence in the middle and one at the end
    std::string bytes = "a\x80\xC3\xA9\xC0"
                        "b\xE2\x82"
                        "c\xF0\x9F\x98";
    std::vector<uint32_t> expected = {'a', 0xE9, 'b', 'c'};
    EXPECT_EQ(4, e->countChars(bytes.data(), size(bytes), 0));
    EXPECT_EQ(expected, decodeAllForwards(*e, bytes));
    EXPECT_EQ(expected, decodeAllBackwards(*e, bytes));

    EXPECT_EQ(2, e->findCharStart(bytes.data(), size(bytes), 1));
    EXPECT_EQ(-1, e->findCharStart(bytes.data(), size(bytes), 11));
    EXPECT_EQ(0, e->getOffsetOfChar(bytes.data(), size(bytes), 0));
    EXPECT_EQ(2, e->getOffsetOfChar(bytes.data(), size(bytes), 1));
    EXPECT_EQ(5, e->getOffsetOfChar(bytes.data(), size(bytes), 2));
    EXPECT_EQ(8, e->getOffsetOfChar(bytes.data(), size(bytes), 3));
    EXPECT_EQ(-1, e->getOffsetOfChar(bytes.data(), size(bytes), 4));

    uint32_t cp = 0;
    // strict backwards: the bytes before the end are a cut-off sequence
    EXPECT_EQ(-1, e->decodeCharBefore(cp, bytes.data(), size(bytes), size(bytes)));
    EXPECT_EQ(8, e->findPrevCharStart(bytes.data(), size(bytes), size(bytes)));
    EXPECT_EQ(2, e->decodeCharBefore(cp, bytes.data(), size(bytes), 4));
    EXPECT_EQ(0xE9u, cp);
    // a continuation byte alone before the position
    EXPECT_EQ(-1, e->decodeCharBefore(cp, bytes.data(), size(bytes), 2));
    EXPECT_EQ(-1, e->findPrevCharStart(bytes.data(), size(bytes), 0));
}

TEST(UTF8Encoding, RunsRecordStartsForwardsAndBackwards) {
    auto e = getUTF8Encoding();
    std::string bytes = "a\x80\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80";
    uint32_t cps[3];
    int32_t offsets[3];
    int32_t count = 0;
    int32_t reached = e->decodeRun(cps, 3, count, bytes.data(), size(bytes), 0, offsets);
    ASSERT_EQ(3, count);
    EXPECT_EQ(7, reached);
    EXPECT_EQ((std::vector<uint32_t>{'a', 0xE9, 0x20AC}), std::vector<uint32_t>(cps, cps + 3));
    EXPECT_EQ((std::vector<int32_t>{0, 2, 4}), std::vector<int32_t>(offsets, offsets + 3));
    reached = e->decodeRun(cps, 3, count, bytes.data(), size(bytes), reached, nullptr);
    EXPECT_EQ(1, count);
    EXPECT_EQ(0x1F600u, cps[0]);
    EXPECT_EQ(size(bytes), reached);

    reached = e->decodeRunBackwards(cps, 3, count, bytes.data(), size(bytes), size(bytes), offsets);
    ASSERT_EQ(3, count);
    EXPECT_EQ((std::vector<uint32_t>{0x1F600, 0x20AC, 0xE9}), std::vector<uint32_t>(cps, cps + 3));
    EXPECT_EQ((std::vector<int32_t>{7, 4, 2}), std::vector<int32_t>(offsets, offsets + 3));
    EXPECT_EQ(2, reached);
}

TEST(UTF8Encoding, EncodingWritesNothingThatDoesNotFitOrExist) {
    auto e = getUTF8Encoding();
    uint8_t buffer[8] = {};
    EXPECT_EQ(4, e->encodeChar(0x10FFFF, buffer, 8, 0));
    EXPECT_EQ(0, std::memcmp(buffer, "\xF4\x8F\xBF\xBF", 4));
    EXPECT_EQ(0, e->getEncodedSize(0x110000));
    EXPECT_EQ(2, e->encodeChar(0x110000, buffer, 8, 2));
    EXPECT_EQ(0xBF, buffer[2]);
    EXPECT_EQ(6, e->encodeChar(0x20AC, buffer, 8, 6)); // needs 3, only 2 left
    EXPECT_EQ(8, e->encodeChar(0xE9, buffer, 8, 6));
    EXPECT_EQ(0, std::memcmp(buffer + 6, "\xC3\xA9", 2));
    EXPECT_EQ(3, e->getEncodedSize(0x800));
    EXPECT_EQ(2, e->getEncodedSize(0x7FF));
}

TEST(UTF16Encoding, SurrogatesPairOrAreInvalid) {
    auto e = getUTF16Encoding();
    const StrictCase cases[] = {
        {"BMP unit", units16({0x20AC}), 2, 0x20AC},
        {"surrogate pair", units16({0xD83D, 0xDE00}), 4, 0x1F600},
        {"highest pair", units16({0xDBFF, 0xDFFF}), 4, 0x10FFFF},
        {"lone low surrogate", units16({0xDC00, 0x41}), -1, 0},
        {"high followed by a non-surrogate", units16({0xD800, 0x41}), -1, 0},
        {"two high surrogates", units16({0xD800, 0xD800}), -1, 0},
        {"lone high surrogate at the end", units16({0xD83D}), -1, 0},
        {"odd byte left over", std::string("\x41", 1), -1, 0},
    };
    for (const StrictCase& c : cases) {
        uint32_t cp = 0;
        EXPECT_EQ(c.expectedEnd, e->decodeCharAt(cp, c.bytes.data(), size(c.bytes), 0)) << c.what;
        if (c.expectedEnd >= 0) {
            EXPECT_EQ(c.expectedCodePoint, cp) << c.what;
        }
    }

    std::string text = units16({0x41, 0xD800, 0x42, 0xDC00, 0xD83D, 0xDE00, 0xD83D});
    std::vector<uint32_t> expected = {0x41, 0x42, 0x1F600};
    EXPECT_EQ(3, e->countChars(text.data(), size(text), 0));
    EXPECT_EQ(expected, decodeAllForwards(*e, text));
    EXPECT_EQ(expected, decodeAllBackwards(*e, text));
    uint32_t cp = 0;
    EXPECT_EQ(-1, e->decodeCharBefore(cp, text.data(), size(text), size(text)));
    EXPECT_EQ(8, e->decodeCharBefore(cp, text.data(), size(text), 12));
    EXPECT_EQ(0x1F600u, cp);
    EXPECT_EQ(-1, e->decodeCharBefore(cp, text.data(), size(text), 8)); // lone low before
    std::string highs = units16({0xD800, 0xD800});
    EXPECT_EQ(-1, e->decodeCharBefore(cp, highs.data(), 4, 4)); // a high surrogate ends nothing
    EXPECT_EQ(4, e->getOffsetOfChar(text.data(), size(text), 1));
    EXPECT_EQ(8, e->getOffsetOfChar(text.data(), size(text), 2));
    EXPECT_EQ(-1, e->getOffsetOfChar(text.data(), size(text), 3));
    EXPECT_EQ(2, e->getTerminatedByteLength(units16({0x41, 0, 0x42}).data()));
}

TEST(UTF16Encoding, EncodingRefusesSurrogatesAndOutOfRange) {
    auto e = getUTF16Encoding();
    uint8_t buffer[8] = {};
    EXPECT_EQ(0, e->getEncodedSize(0xD800));
    EXPECT_EQ(0, e->encodeChar(0xD800, buffer, 8, 0));
    EXPECT_EQ(0, e->encodeChar(0xDFFF, buffer, 8, 0));
    EXPECT_EQ(0, e->encodeChar(0x110000, buffer, 8, 0));
    EXPECT_EQ(4, e->encodeChar(0x10000, buffer, 8, 0));
    EXPECT_EQ(units16({0xD800, 0xDC00}), std::string(reinterpret_cast<char*>(buffer), 4));
    EXPECT_EQ(6, e->encodeChar(0xFFFD, buffer, 8, 4));
    EXPECT_EQ(6, e->encodeChar(0x1F600, buffer, 8, 6)); // a pair needs 4 bytes
}

TEST(UTF32Encoding, UnitsAreTakenAsTheyAre) {
    auto e = getUTF32Encoding();
    std::string text = units32({0x41, 0xD800, 0x110000}) + "\x42\x00";
    EXPECT_EQ(3, e->countChars(text.data(), size(text), 0));
    EXPECT_EQ((std::vector<uint32_t>{0x41, 0xD800, 0x110000}), decodeAllForwards(*e, text));
    uint32_t cp = 0;
    EXPECT_EQ(-1, e->decodeCharAt(cp, text.data(), size(text), 12)); // cut-off unit
    EXPECT_EQ(8, e->decodeCharBefore(cp, text.data(), size(text), 12));
    EXPECT_EQ(0x110000u, cp);
    uint8_t buffer[4];
    EXPECT_EQ(4, e->encodeChar(0x110000, buffer, 4, 0));
    EXPECT_EQ(0, e->encodeChar(0x41, buffer, 3, 0));
    EXPECT_EQ(8, e->getTerminatedByteLength(units32({1, 2, 0, 3}).data()));
}

TEST(Latin1Encoding, EveryByteIsACharacterAndTheRestBecomesQuestionMarks) {
    auto e = getLatin1Encoding();
    std::string text = "\x80\xE9\xFF";
    EXPECT_EQ((std::vector<uint32_t>{0x80, 0xE9, 0xFF}), decodeAllForwards(*e, text));
    EXPECT_EQ((std::vector<uint32_t>{0x80, 0xE9, 0xFF}), decodeAllBackwards(*e, text));
    char buffer[3] = {};
    EXPECT_EQ(1, e->getEncodedSize(0x20AC));
    EXPECT_EQ(1, e->encodeChar(0x20AC, buffer, 3, 0));
    EXPECT_EQ(2, e->encodeChar(0xFF, buffer, 3, 1));
    EXPECT_EQ(3, e->encodeChar(0x100, buffer, 3, 2));
    EXPECT_EQ(std::string("?\xFF?"), std::string(buffer, 3));
}

TEST(CodePageEncoding, CLocaleReadsAndWritesUTF8) {
    // The test program never calls setlocale: this is the "C" locale.
    ASSERT_STREQ("C", std::setlocale(LC_CTYPE, nullptr));
    auto e = getCPEncoding();
    std::string text = "\xC3\xA9\x80\xE2\x82\xAC";
    EXPECT_EQ((std::vector<uint32_t>{0xE9, 0x20AC}), decodeAllForwards(*e, text));
    EXPECT_EQ((std::vector<uint32_t>{0xE9, 0x20AC}), decodeAllBackwards(*e, text));
    char buffer[4] = {};
    EXPECT_EQ(3, e->encodeChar(0x20AC, buffer, 4, 0));
    EXPECT_EQ(std::string("\xE2\x82\xAC"), std::string(buffer, 3));
    EXPECT_EQ(0, e->getEncodedSize(0xD800));
}

// A locale with the given character map, built into a scratch directory (no locale but C,
// POSIX and C.UTF-8 need be installed). Null when localedef is not available.
locale_t makeCTypeLocale(const std::string& charmap) {
    std::string dir = testing::TempDir() + "tamu-locales";
    std::error_code ignored;
    std::filesystem::create_directories(dir, ignored);
    std::string command =
        "localedef -c -i POSIX -f " + charmap + " '" + dir + "/" + charmap + "' >/dev/null 2>&1";
    if (std::system(command.c_str()) == -1)
        return nullptr;
    setenv("LOCPATH", dir.c_str(), 1);
    locale_t made = newlocale(LC_CTYPE_MASK, charmap.c_str(), nullptr);
    unsetenv("LOCPATH");
    return made;
}

TEST(CodePageEncoding, FollowsASingleByteLocaleOfTheThread) {
    locale_t latin1 = makeCTypeLocale("ISO-8859-1");
    if (!latin1)
        GTEST_SKIP() << "cannot build an ISO-8859-1 locale";
    locale_t previous = uselocale(latin1);
    auto e = getCPEncoding();
    std::string text = "\xE9\x41";
    std::vector<uint32_t> decoded = decodeAllForwards(*e, text);
    char buffer[2] = {};
    int32_t euro = e->encodeChar(0x20AC, buffer, 2, 0);
    int32_t eAcute = e->encodeChar(0xE9, buffer, 2, 0);
    int32_t maxBytes = e->getMaxBytesPerChar();
    uselocale(previous);
    freelocale(latin1);
    EXPECT_EQ((std::vector<uint32_t>{0xE9, 0x41}), decoded);
    EXPECT_EQ(0, euro); // not in the code page: nothing written
    EXPECT_EQ(1, eAcute);
    EXPECT_EQ('\xE9', buffer[0]);
    EXPECT_EQ(1, maxBytes);
}

TEST(CodePageEncoding, ReadsAMultibyteLocaleBothWays) {
    locale_t eucJp = makeCTypeLocale("EUC-JP");
    if (!eucJp)
        GTEST_SKIP() << "cannot build an EUC-JP locale";
    locale_t previous = uselocale(eucJp);
    auto e = getCPEncoding();
    // A, U+65E5 (two bytes), a cut-off lead byte, B
    std::string text = "A\xC6\xFC\xC6"
                       "B";
    std::vector<uint32_t> forwards = decodeAllForwards(*e, text);
    std::vector<uint32_t> backwards = decodeAllBackwards(*e, text);
    uint32_t cp = 0;
    int32_t start = e->decodeCharBefore(cp, text.data(), 3, 3);
    int32_t cutOff = e->decodeCharAt(cp, text.data(), 4, 3);
    char buffer[4] = {};
    int32_t written = e->encodeChar(0x65E5, buffer, 4, 0);
    uselocale(previous);
    freelocale(eucJp);
    EXPECT_EQ((std::vector<uint32_t>{'A', 0x65E5, 'B'}), forwards);
    EXPECT_EQ(forwards, backwards);
    EXPECT_EQ(1, start);
    EXPECT_EQ(-1, cutOff);
    EXPECT_EQ(2, written);
    EXPECT_EQ(std::string("\xC6\xFC"), std::string(buffer, 2));
}
