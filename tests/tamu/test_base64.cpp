#include "tamu/CBase64InStream.h"
#include "tamu/CBase64OutStream.h"
#include "tamu/CMemoryBlock.h"
#include "tamu/CMemoryIOStream.h"
#include "tamu/CMemoryManager.h"
#include "tamu/IMemoryBlock.h"
#include "tamu/IURI.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

using namespace tamu;

namespace {

std::string contentOf(const CMemoryIOStream& stream) {
    P<IMemoryBlock> block = stream.getMemoryBlock();
    return std::string(reinterpret_cast<const char*>(block->getData()),
                       static_cast<size_t>(block->getSize()));
}

P<CMemoryIOStream> holding(const std::string& bytes) {
    return make<CMemoryIOStream>(
        make<CMemoryBlock>(static_cast<int32_t>(bytes.size()), bytes.data()));
}

std::string encoded(const std::string& bytes) {
    auto target = make<CMemoryIOStream>();
    auto out = make<CBase64OutStream>(target);
    out->write(bytes.data(), static_cast<int32_t>(bytes.size()));
    out->flush();
    return contentOf(*target);
}

// RFC 4648 written bit by bit, padding left off, as a yardstick independent of the grouping.
std::string reference(const std::string& bytes) {
    const char* letters = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string text;
    uint32_t bits = 0;
    int pending = 0;
    for (unsigned char byte : bytes) {
        bits = (bits << 8) | byte;
        pending += 8;
        while (pending >= 6) {
            pending -= 6;
            text += letters[(bits >> pending) & 63];
        }
    }
    if (pending > 0)
        text += letters[(bits << (6 - pending)) & 63];
    return text;
}

std::string bytesOfLength(size_t length) {
    std::string bytes;
    uint32_t seed = 0x9E3779B9u ^ static_cast<uint32_t>(length);
    for (size_t i = 0; i < length; ++i) {
        seed = seed * 1664525u + 1013904223u;
        bytes += static_cast<char>(seed >> 24);
    }
    return bytes;
}

} // namespace

TEST(Base64OutStream, WritesUnpaddedTextAndOneZeroByte) {
    EXPECT_EQ(std::string("YWJj\0", 5), encoded("abc"));
    EXPECT_EQ(std::string("/w\0", 3), encoded("\xFF"));
    EXPECT_EQ(std::string("\0", 1), encoded(""));
    EXPECT_EQ(std::string("+/8\0", 4), encoded("\xFB\xFF"));
}

TEST(Base64OutStream, EveryLengthMatchesTheStandardAlphabetAndReadsBack) {
    for (size_t length = 0; length <= 64; ++length) {
        std::string bytes = bytesOfLength(length);
        std::string text = encoded(bytes);
        ASSERT_EQ(reference(bytes) + '\0', text) << "length " << length;

        auto in = make<CBase64InStream>(holding(text));
        std::vector<char> back(length + 8, '?');
        EXPECT_EQ(static_cast<int32_t>(length),
                  in->read(back.data(), static_cast<int32_t>(back.size())));
        EXPECT_EQ(bytes, std::string(back.data(), length)) << "length " << length;
        EXPECT_TRUE(in->isEOF());
        EXPECT_EQ(static_cast<int64_t>(length), in->getPosition());
        EXPECT_EQ(-1, in->getLength());
    }
}

TEST(Base64OutStream, EachFlushWritesEverythingCollectedAndDestructionWritesOnlyWhatIsNew) {
    auto target = make<CMemoryIOStream>();
    {
        auto out = make<CBase64OutStream>(target, make<CMemoryManager>(30));
        EXPECT_EQ(1, out->writeCounted("a", 1));
        out->flush();
        out->write("bc", 2);
        out->flush();
        EXPECT_EQ(std::string("YQ\0YWJj\0", 8), contentOf(*target));
    }
    // A flush followed by destruction leaves a single text.
    EXPECT_EQ(std::string("YQ\0YWJj\0", 8), contentOf(*target));

    auto unflushed = make<CMemoryIOStream>();
    {
        auto out = make<CBase64OutStream>(unflushed);
        out->write("ab", 2);
        out->flush();
        out->write("c", 1);
    }
    EXPECT_EQ(std::string("YWI\0YWJj\0", 9), contentOf(*unflushed));

    // A closed target makes the last write fail where nobody can hear it.
    auto closed = make<CMemoryIOStream>();
    {
        auto out = make<CBase64OutStream>(closed);
        out->write("abc", 3);
        out->close();
        EXPECT_TRUE(closed->isClosed());
    }
    EXPECT_EQ("", contentOf(*closed));
}

TEST(Base64InStream, DeliversInPiecesAndSkips) {
    auto in = make<CBase64InStream>(holding(std::string("YWJjZGVmZ2g\0", 12)));
    char piece[3] = {};
    EXPECT_EQ(2, in->read(piece, 2));
    EXPECT_EQ("ab", std::string(piece, 2));
    EXPECT_EQ(3, in->skip(3));
    EXPECT_EQ(5, in->getPosition());
    EXPECT_FALSE(in->isEOF());
    in->readFully(piece, 3);
    EXPECT_EQ("fgh", std::string(piece, 3));
    // At the end nothing throws.
    EXPECT_EQ(0, in->readPartial(piece, 3));
    EXPECT_NO_THROW(in->readFully(piece, 3));
    EXPECT_NO_THROW(in->skipFully(3));
    EXPECT_EQ(0, in->skipPartial(3));
    EXPECT_EQ(8, in->getPosition());
}

TEST(Base64InStream, TextEndsAtItsZeroByteOrAtTheEndOfTheSource) {
    auto in = make<CBase64InStream>(holding(std::string("YWJj\0YWJj", 9)));
    char back[8] = {};
    EXPECT_EQ(3, in->read(back, 8));
    EXPECT_EQ("abc", std::string(back, 3));

    auto bare = make<CBase64InStream>(holding("YWJj"));
    EXPECT_EQ(3, bare->read(back, 8));
    EXPECT_EQ(3, bare->getPosition());

    // One character holds too few bits for a byte.
    auto single = make<CBase64InStream>(holding("Y"));
    EXPECT_EQ(0, single->read(back, 8));
    EXPECT_TRUE(single->isEOF());
    EXPECT_TRUE(make<CBase64InStream>(holding(""))->isEOF());
}

TEST(Base64InStream, CharactersOutsideTheAlphabetSpoilTheirGroup) {
    auto in = make<CBase64InStream>(holding("YQ=="));
    unsigned char back[4] = {};
    ASSERT_EQ(3, in->read(back, 4));
    // '=' decodes as 128, and each byte keeps its low eight bits.
    EXPECT_EQ('a', back[0]);
    EXPECT_EQ(0x20, back[1]);
    EXPECT_EQ(0x80, back[2]);
}

TEST(Base64InStream, CloseAndURIBelongToTheSource) {
    auto source = holding("YWJj");
    auto in = make<CBase64InStream>(source);
    EXPECT_FALSE(in->isClosed());
    EXPECT_TRUE(in->getURI().isNull());
    in->close();
    EXPECT_TRUE(source->isClosed());
    EXPECT_TRUE(in->isClosed());
}
