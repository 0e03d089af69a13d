#include "tamu/charEncodings.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

using namespace tamu;

namespace {

int32_t size(const std::string& bytes) {
    return static_cast<int32_t>(bytes.size());
}

template <class Unit>
std::string units(std::initializer_list<Unit> list) {
    std::string bytes(list.size() * sizeof(Unit), '\0');
    std::memcpy(bytes.data(), list.begin(), bytes.size());
    return bytes;
}
std::string units16(std::initializer_list<uint16_t> list) {
    return units(list);
}

// The code points of a lenient walk forwards, checked against the walk backwards.
std::vector<uint32_t> decodeAll(const ICharEncoding& e, const std::string& bytes) {
    std::vector<uint32_t> forwards;
    std::vector<uint32_t> backwards;
    uint32_t cp;
    for (int32_t pos = 0; (pos = e.decodeNextChar(cp, bytes.data(), size(bytes), pos)) >= 0;)
        forwards.push_back(cp);
    for (int32_t pos = size(bytes);
         (pos = e.decodePrevChar(cp, bytes.data(), size(bytes), pos)) >= 0;)
        backwards.insert(backwards.begin(), cp);
    EXPECT_EQ(forwards, backwards);
    return forwards;
}

struct StrictCase {
    const char* what;
    std::string bytes;
    int32_t expectedEnd; // -1: invalid
    uint32_t expectedCodePoint;
};

void expectStrict(const ICharEncoding& e, std::initializer_list<StrictCase> cases) {
    for (const StrictCase& c : cases) {
        uint32_t cp = 0;
        EXPECT_EQ(c.expectedEnd, e.decodeCharAt(cp, c.bytes.data(), size(c.bytes), 0)) << c.what;
        if (c.expectedEnd >= 0) {
            EXPECT_EQ(c.expectedCodePoint, cp) << c.what;
        }
    }
}

} // namespace

TEST(CharEncodings, IdsSpellTheirShortNamesInMemory) {
    const P<ICharEncoding> encodings[] = {getUTF8Encoding(), getUTF16Encoding(), getUTF32Encoding(),
                                          getLatin1Encoding(), getCPEncoding()};
    const char tags[] = "UTF8UF16UF32LAT1CDPG";
    for (int i = 0; i < 5; ++i) {
        uint32_t id = encodings[i]->getId();
        EXPECT_EQ(0, std::memcmp(&id, tags + 4 * i, 4)) << i;
    }
}

TEST(UTF8Encoding, StrictDecodingFollowsTheRules) {
    auto e = getUTF8Encoding();
    expectStrict(*e, {
                         {"largest code point", "\xF4\x8F\xBF\xBF", 4, 0x10FFFF},
                         {"stray continuation byte", "\x80", -1, 0},
                         {"lead 0xC0", "\xC0\x80", -1, 0},
                         {"above U+10FFFF", "\xF4\x90\x80\x80", -1, 0},
                         {"cut off four-byte", "\xF0\x9F\x98", -1, 0},
                     });
    // A sequence is cut off by the buffer's length, not by the bytes behind it.
    uint32_t cp;
    EXPECT_EQ(-1, e->decodeCharAt(cp, "\xE2\x82\xAC", 2, 0));

    uint8_t buffer[8] = {};
    EXPECT_EQ(4, e->encodeChar(0x10FFFF, buffer, 8, 0));
    EXPECT_EQ(0, std::memcmp(buffer, "\xF4\x8F\xBF\xBF", 4));
    EXPECT_EQ(2, e->encodeChar(0x110000, buffer, 8, 2)); // nothing written
    EXPECT_EQ(6, e->encodeChar(0x20AC, buffer, 8, 6));   // needs 3, only 2 left
}

// Longer forms of a character, encoded surrogates and values beyond U+10FFFF are no characters:
// strict decoding refuses them and the lenient walk skips every byte of them.
TEST(UTF8Encoding, OverlongSurrogateAndOutOfRangeFormsAreInvalid) {
    auto e = getUTF8Encoding();
    expectStrict(*e, {
                         {"'.' in two bytes", "\xC0\xAE", -1, 0},
                         {"'n' in two bytes", "\xC1\xAE", -1, 0},
                         {"'/' in three bytes", "\xE0\x80\xAF", -1, 0},
                         {"U+07FF in three bytes", "\xE0\x9F\xBF", -1, 0},
                         {"'/' in four bytes", "\xF0\x80\x80\xAF", -1, 0},
                         {"U+FFFF in four bytes", "\xF0\x8F\xBF\xBF", -1, 0},
                         {"high surrogate", "\xED\xA0\x80", -1, 0},
                         {"low surrogate", "\xED\xBF\xBF", -1, 0},
                         {"lead 0xF5", "\xF5\x80\x80\x80", -1, 0},
                         {"smallest two-byte", "\xC2\x80", 2, 0x80},
                         {"smallest three-byte", "\xE0\xA0\x80", 3, 0x800},
                         {"smallest four-byte", "\xF0\x90\x80\x80", 4, 0x10000},
                         {"below the surrogates", "\xED\x9F\xBF", 3, 0xD7FF},
                         {"above the surrogates", "\xEE\x80\x80", 3, 0xE000},
                     });
    std::string bytes = "a\xC0\xAE\xC1\xAE"
                        "b\xE0\x80\xAF\xED\xA0\x80"
                        "c\xF4\x90\x80\x80\xF0\x80\x80\xAE";
    EXPECT_EQ((std::vector<uint32_t>{'a', 'b', 'c'}), decodeAll(*e, bytes));
    EXPECT_EQ(3, e->countChars(bytes.data(), size(bytes), 0));
    EXPECT_EQ(-1, e->getCharSizeAt(bytes.data(), size(bytes), 1));
    EXPECT_EQ(5, e->findCharStart(bytes.data(), size(bytes), 1));
}

TEST(UTF8Encoding, LenientWalkSkipsInvalidBytesBothWays) {
    auto e = getUTF8Encoding();
    // stray continuation, lead 0xC0, a cut-off sequence in the middle and one at the end
    std::string bytes = "a\x80\xC3\xA9\xC0"
                        "b\xE2\x82"
                        "c\xF0\x9F\x98";
    EXPECT_EQ((std::vector<uint32_t>{'a', 0xE9, 'b', 'c'}), decodeAll(*e, bytes));
    EXPECT_EQ(8, e->getOffsetOfChar(bytes.data(), size(bytes), 3));
    uint32_t cp = 0;
    // strict backwards: the bytes before the end are a cut-off sequence
    EXPECT_EQ(-1, e->decodeCharBefore(cp, bytes.data(), size(bytes), size(bytes)));
    EXPECT_EQ(-1, e->decodeCharBefore(cp, bytes.data(), size(bytes), 2)); // a lone continuation
}

TEST(UTF16Encoding, SurrogatesPairOrAreInvalid) {
    auto e = getUTF16Encoding();
    expectStrict(*e, {
                         {"highest pair", units16({0xDBFF, 0xDFFF}), 4, 0x10FFFF},
                         {"lone low surrogate", units16({0xDC00, 0x41}), -1, 0},
                         {"high followed by a non-surrogate", units16({0xD800, 0x41}), -1, 0},
                         {"lone high surrogate at the end", units16({0xD83D}), -1, 0},
                         {"odd byte left over", std::string("\x41", 1), -1, 0},
                     });
    std::string text = units16({0x41, 0xD800, 0x42, 0xDC00, 0xD83D, 0xDE00, 0xD83D});
    EXPECT_EQ((std::vector<uint32_t>{0x41, 0x42, 0x1F600}), decodeAll(*e, text));
    uint32_t cp = 0;
    EXPECT_EQ(-1, e->decodeCharBefore(cp, text.data(), size(text), 8)); // lone low before

    uint8_t buffer[8] = {};
    EXPECT_EQ(0, e->encodeChar(0xDFFF, buffer, 8, 0));
    EXPECT_EQ(4, e->encodeChar(0x10000, buffer, 8, 0));
    EXPECT_EQ(units16({0xD800, 0xDC00}), std::string(reinterpret_cast<char*>(buffer), 4));
    EXPECT_EQ(6, e->encodeChar(0x1F600, buffer, 8, 6)); // a pair needs 4 bytes
}

TEST(UTF32Encoding, UnitsAreTakenAsTheyAre) {
    auto e = getUTF32Encoding();
    std::string text = units<uint32_t>({0x41, 0xD800, 0x110000});
    EXPECT_EQ((std::vector<uint32_t>{0x41, 0xD800, 0x110000}), decodeAll(*e, text));
    uint32_t cp = 0;
    EXPECT_EQ(-1, e->decodeCharAt(cp, text.data(), 10, 8)); // cut-off unit
    EXPECT_EQ(8, e->getTerminatedByteLength(units<uint32_t>({1, 2, 0, 3}).data()));
}

TEST(Latin1Encoding, EveryByteIsACharacterAndTheRestBecomesQuestionMarks) {
    auto e = getLatin1Encoding();
    EXPECT_EQ((std::vector<uint32_t>{0x80, 0xE9, 0xFF}), decodeAll(*e, "\x80\xE9\xFF"));
    char buffer[3] = {};
    EXPECT_EQ(1, e->encodeChar(0x20AC, buffer, 3, 0));
    EXPECT_EQ(2, e->encodeChar(0xFF, buffer, 3, 1));
    EXPECT_EQ(3, e->encodeChar(0x100, buffer, 3, 2));
    EXPECT_EQ(std::string("?\xFF?"), std::string(buffer, 3));
}

TEST(CodePageEncoding, ReadsAMultibyteLocaleBothWays) {
    // Built into a scratch directory: only C, POSIX and C.UTF-8 need be installed.
    std::string dir = testing::TempDir();
    std::string command = "localedef -c -i POSIX -f EUC-JP '" + dir + "/EUC-JP' >/dev/null 2>&1";
    [[maybe_unused]] int status = std::system(command.c_str()); // -c: warnings give status 1
    setenv("LOCPATH", dir.c_str(), 1);
    locale_t eucJp = newlocale(LC_CTYPE_MASK, "EUC-JP", nullptr);
    unsetenv("LOCPATH");
    if (!eucJp)
        GTEST_SKIP() << "cannot build an EUC-JP locale";
    locale_t previous = uselocale(eucJp);
    auto e = getCPEncoding();
    // A, U+65E5 (two bytes), a cut-off lead byte, B
    std::string text = "A\xC6\xFC\xC6"
                       "B";
    std::vector<uint32_t> decoded = decodeAll(*e, text);
    char buffer[4] = {};
    int32_t written = e->encodeChar(0x65E5, buffer, 4, 0);
    int32_t euro = e->encodeChar(0x20AC, buffer, 4, 2);
    uselocale(previous);
    freelocale(eucJp);
    EXPECT_EQ((std::vector<uint32_t>{'A', 0x65E5, 'B'}), decoded);
    EXPECT_EQ(2, written);
    EXPECT_EQ(std::string("\xC6\xFC"), std::string(buffer, 2));
    EXPECT_EQ(2, euro); // not in the code page: nothing written
}

// A four-byte character at the very end is one step back, and a backwards run over it gives it
// whole; inside it there is no character start to find.
TEST(UTF8Encoding, WalkingBackwardsOverAFourByteCharacterAtTheEnd) {
    auto e = getUTF8Encoding();
    const std::string bytes = "ab\xF0\x9F\x8E\xB5"; // "ab" and U+1F3B5
    const int32_t n = size(bytes);
    uint32_t codePoint = 0;
    EXPECT_EQ(2, e->decodeCharBefore(codePoint, bytes.data(), n, n));
    EXPECT_EQ(0x1F3B5u, codePoint);
    EXPECT_EQ(2, e->findPrevCharStart(bytes.data(), n, n));
    EXPECT_EQ(2, e->decodePrevChar(codePoint = 0, bytes.data(), n, n));
    EXPECT_EQ(0x1F3B5u, codePoint);
    for (int32_t inside = 3; inside < n; ++inside)
        EXPECT_EQ(-1, e->findCharStart(bytes.data(), n, inside)) << inside;
    uint32_t codePoints[4] = {};
    int32_t offsets[4] = {};
    int32_t count = 0;
    EXPECT_EQ(0, e->decodeRunBackwards(codePoints, 4, count, bytes.data(), n, n, offsets));
    ASSERT_EQ(3, count);
    EXPECT_EQ(0x1F3B5u, codePoints[0]);
    EXPECT_EQ(2, offsets[0]);
    EXPECT_EQ(static_cast<uint32_t>('b'), codePoints[1]);
    EXPECT_EQ(static_cast<uint32_t>('a'), codePoints[2]);
}
