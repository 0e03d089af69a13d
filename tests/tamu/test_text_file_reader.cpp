#include "diskTestSupport.h"

#include "tamu/CException.h"
#include "tamu/CMemoryBlock.h"
#include "tamu/CMemoryIOStream.h"
#include "tamu/CStringLineTokenizerEnum.h"
#include "tamu/CTextFileReader.h"
#include "tamu/IString.h"
#include "tamu/stringConv.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace tamu;

namespace {

std::string s(const P<IString>& text) {
    return stringConv::toStdString(*text);
}

P<CTextFileReader> readerOf(const std::string& bytes, int32_t defaultEncoding = 2) {
    auto stream =
        make<CMemoryIOStream>(make<CMemoryBlock>(static_cast<int32_t>(bytes.size()), bytes.data()));
    return make<CTextFileReader>(*stream, defaultEncoding);
}

std::vector<std::string> linesOf(ITextFileReader& reader) {
    std::vector<std::string> lines;
    while (reader.hasMoreLines())
        lines.push_back(s(reader.readLine()));
    return lines;
}

std::string utf16(const std::string& ascii, bool bigEndian) {
    std::string bytes;
    for (char c : ascii) {
        bytes += bigEndian ? std::string{'\0', c} : std::string{c, '\0'};
    }
    return bytes;
}

using Lines = std::vector<std::string>;

} // namespace

TEST(TextFileReader, EveryByteOrderMarkIsSkippedAndPicksItsDecoder) {
    struct Case {
        const char* name;
        std::string mark;
    };
    // Every kind without a decoder of its own is read with the UTF-8 decoder.
    const Case utf8Decoded[] = {
        {"UTF-8", "\xEF\xBB\xBF"},
        {"UTF-32 big endian", std::string("\0\0\xFE\xFF", 4)},
        {"UTF-32 little endian", std::string("\xFF\xFE\0\0", 4)},
        {"UTF-7", "\x2B\x2F"},
        {"UTF-1", "\xF7\x64\x4C"},
        {"UTF-EBCDIC", "\xDD\x73\x66\x73"},
        {"SCSU", "\x0E\xFE\xFF"},
        {"BOCU-1", "\xFB\xEE"},
        {"GB-18030", "\x84\x31\x95\x33"},
    };
    for (const Case& c : utf8Decoded) {
        auto reader = readerOf(c.mark + "a\r\n\xC3\xA9\n", 3);
        EXPECT_EQ("a\r\n\xC3\xA9\n", s(reader->getText())) << c.name;
        EXPECT_EQ((Lines{"a", "\xC3\xA9"}), linesOf(*reader)) << c.name;
    }

    auto little = readerOf("\xFF\xFE" + utf16("a\r\nb\n", false), 2);
    EXPECT_EQ((Lines{"a", "b"}), linesOf(*little));
    auto big = readerOf("\xFE\xFF" + utf16("a\r\nb\n", true), 2);
    EXPECT_EQ((Lines{"a", "b"}), linesOf(*big));
    EXPECT_EQ("a\r\nb\n", s(big->getText()));
    // A big-endian unit beyond Latin-1: U+20AC.
    EXPECT_EQ("\xE2\x82\xAC", s(readerOf("\xFE\xFF\x20\xAC")->getText()));
    EXPECT_EQ("a", s(readerOf(std::string("\xFF\xFE\x61\x00", 4))->getText()));
}

TEST(TextFileReader, MarksAreTestedOnlyWhenTheFileIsLongEnough) {
    // Three bytes: no UTF-32 mark, so FF FE is UTF-16 and the lone zero byte is no character.
    EXPECT_EQ(0, readerOf(std::string("\xFF\xFE\0", 3))->getText()->getLength());
    // 00 00 FE alone is no mark: the default decoder reads two zero characters and one invalid
    // byte.
    EXPECT_EQ(2, readerOf(std::string("\0\0\xFE", 3))->getText()->getLength());
    // A mark with nothing after it is an empty text.
    EXPECT_EQ(0, readerOf("\xEF\xBB\xBF")->countLines());
    EXPECT_TRUE(readerOf("\xEF\xBB\xBF")->getText()->isEmpty());
    // One byte is too short for any mark.
    EXPECT_EQ("\xC3\xBF", s(readerOf("\xFF", 1)->getText()));
}

TEST(TextFileReader, DefaultEncodingDecidesWithoutAMark) {
    EXPECT_EQ("\xC3\xA9", s(readerOf("\xC3\xA9", 2)->getText()));
    // Latin-1 sees two characters in the same bytes.
    EXPECT_EQ("\xC3\x83\xC2\xA9", s(readerOf("\xC3\xA9", 1)->getText()));
    EXPECT_EQ("ab", s(readerOf(utf16("ab", false), 3)->getText()));
    EXPECT_EQ("ab", s(readerOf(std::string("a\0\0\0b\0\0\0", 8), 4)->getText()));
    // The code page of the "C" locale reads UTF-8; unknown values mean the code page.
    EXPECT_EQ(s(readerOf("x\xC3\xA9", 0)->getText()), s(readerOf("x\xC3\xA9", 77)->getText()));
    EXPECT_EQ(s(readerOf("x\xC3\xA9", 0)->getText()), s(readerOf("x\xC3\xA9", -1)->getText()));
}

TEST(TextFileReader, LineEndingsMixAndTheCursor) {
    auto reader = readerOf("EF\r\n\nline\rtwo\n\r\nlast");
    EXPECT_EQ(5, reader->countLines());
    EXPECT_EQ("EF", s(reader->readLine()));
    EXPECT_EQ("", s(reader->readLine()));
    // The cursor does not change the count; readAll joins what is left.
    EXPECT_EQ(5, reader->countLines());
    EXPECT_EQ("linetwo\n\nlast", s(reader->readAll()));
    EXPECT_FALSE(reader->hasMoreLines());
    EXPECT_EQ("", s(reader->readAll()));
    try {
        reader->readLine();
        ADD_FAILURE() << "readLine after the last line";
    } catch (const CException& e) {
        EXPECT_EQ("Error readline. No more lines to read", s(e.getMessage()));
    }
    reader->rewind();
    EXPECT_EQ((Lines{"EF", "", "linetwo", "", "last"}), linesOf(*reader));

    auto marked = readerOf("\xEF\xBB\xBF"
                           "a\r\nb\n");
    EXPECT_EQ(2, marked->countLines());
    EXPECT_EQ("a\nb", s(marked->readAll()));

    auto empty = readerOf("");
    EXPECT_FALSE(empty->hasMoreLines());
    EXPECT_EQ(0, empty->countLines());
    EXPECT_TRUE(empty->getText()->isEmpty());
    EXPECT_EQ(1, readerOf("\n")->countLines());
    EXPECT_EQ(1, readerOf("\r\n")->countLines());
    EXPECT_EQ(0, readerOf("\r")->countLines());
}

TEST(StringLineTokenizerEnum, SplitsAtLineFeedsAndDropsCarriageReturns) {
    CStringLineTokenizerEnum lines(str(u"a\r\n\r\nb\u00e9\nc"));
    EXPECT_EQ(4, lines.countLines());
    std::vector<std::string> got;
    while (lines.hasMore())
        got.push_back(s(lines.next()));
    EXPECT_EQ((Lines{"a", "", "b\xC3\xA9", "c"}), got);
    EXPECT_EQ("", s(lines.next()));
    lines.rewind();
    EXPECT_EQ("a", s(lines.next()));
    EXPECT_FALSE(CStringLineTokenizerEnum(nullptr).hasMore());
}

class TextFileReaderDisk : public DiskTest {};

TEST_F(TextFileReaderDisk, ReadsAFileByItsURI) {
    writeFile("notes.txt", "\xEF\xBB\xBFone\r\ntwo\r\n");
    CTextFileReader reader(fileURI("notes.txt").get(), 0);
    EXPECT_EQ((Lines{"one", "two"}), linesOf(reader));
    EXPECT_THROW(CTextFileReader(fileURI("missing.txt").get(), 0), CFileNotFoundError);
}
