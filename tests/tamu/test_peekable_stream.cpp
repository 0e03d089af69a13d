#include "tamu/CMemoryBlock.h"
#include "tamu/CMemoryIOStream.h"
#include "tamu/CObjectError.h"
#include "tamu/CPeekableInStream.h"
#include "tamu/CURIError.h"
#include "tamu/IMemoryBlock.h"
#include "tamu/IMutex.h"
#include "tamu/ISignal.h"
#include "tamu/IURI.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

using namespace tamu;

namespace {

// The bytes 0, 1, 2, ... count - 1; each read delivers at most `chunk` of them, as a pipe or a
// socket would.
class CChunkyInStream : public CMemoryIOStream {
public:
    CChunkyInStream(int32_t count, int32_t chunk)
        : CMemoryIOStream(make<CMemoryBlock>(count)), m_chunk(chunk) {
        for (int32_t i = 0; i < count; ++i)
            getMemoryBlock()->getData()[i] = static_cast<uint8_t>(i);
    }
    int32_t read(void* buffer, int32_t count) override {
        return CMemoryIOStream::read(buffer, std::min(count, m_chunk));
    }

private:
    int32_t m_chunk;
};

P<CPeekableInStream> peekable(int32_t count, int32_t chunk = 1 << 30) {
    return make<CPeekableInStream>(make<CChunkyInStream>(count, chunk));
}

std::vector<int> peeked(CPeekableInStream& stream, int32_t count) {
    std::vector<uint8_t> bytes(static_cast<size_t>(count));
    bytes.resize(static_cast<size_t>(stream.peek(bytes.data(), count)));
    return {bytes.begin(), bytes.end()};
}

std::vector<int> taken(CPeekableInStream& stream, int32_t count) {
    std::vector<uint8_t> bytes(static_cast<size_t>(count));
    bytes.resize(static_cast<size_t>(stream.read(bytes.data(), count)));
    return {bytes.begin(), bytes.end()};
}

std::vector<int> run(int first, int count) {
    std::vector<int> values;
    for (int i = 0; i < count; ++i)
        values.push_back(first + i);
    return values;
}

int64_t findIn(CPeekableInStream& stream, const std::vector<uint8_t>& pattern, int32_t limit,
               ISignal* stop = nullptr) {
    CMemoryBlock block(static_cast<int32_t>(pattern.size()), pattern.data());
    return stream.find(block, limit, stop);
}

// A stream of 200 bytes that are all 0 except the given ones.
P<CPeekableInStream> withBytesAt(const std::vector<std::pair<int, uint8_t>>& bytes) {
    auto block = make<CMemoryBlock>(200);
    block->fill(0);
    for (auto [at, value] : bytes)
        block->getData()[at] = value;
    return make<CPeekableInStream>(make<CMemoryIOStream>(block));
}

class CSetSignal : public CObject, public virtual ISignal {
public:
    void set() override {}
    void reset() override {}
    bool isSet() override { return true; }
    bool wait(uint32_t) override { return true; }
};

} // namespace

TEST(PeekableInStream, ConsecutivePeeksContinueAndReadsDeliverThePeekedBytesAgain) {
    auto stream = peekable(20);
    EXPECT_EQ(run(0, 4), peeked(*stream, 4));
    EXPECT_EQ(run(4, 4), peeked(*stream, 4));
    EXPECT_EQ(8, stream->getPeekPosition());
    EXPECT_EQ(run(0, 8), taken(*stream, 8));
    EXPECT_EQ(8, stream->getPosition());

    // Partly consumed peeks: the rest of the buffer first, then the inner stream.
    EXPECT_EQ(run(8, 4), peeked(*stream, 4));
    EXPECT_EQ(run(8, 2), taken(*stream, 2));
    EXPECT_EQ(run(10, 6), peeked(*stream, 6));
    EXPECT_EQ(16, stream->getPeekPosition());
    EXPECT_EQ(10, stream->getPosition());
    EXPECT_EQ(run(10, 10), taken(*stream, 12));
    EXPECT_TRUE(stream->isEOF());
}

TEST(PeekableInStream, PeeksAcrossShortInnerReads) {
    auto stream = peekable(10, 3);
    // One inner read per peek: a short one shows as a short peek, the next peek goes on.
    EXPECT_EQ(run(0, 3), peeked(*stream, 5));
    EXPECT_EQ(run(3, 3), peeked(*stream, 5));
    EXPECT_EQ(run(0, 6), taken(*stream, 6));
    EXPECT_EQ(run(6, 3), peeked(*stream, 5));
    // The buffered bytes and one inner read.
    EXPECT_EQ(run(6, 4), taken(*stream, 8));
    EXPECT_TRUE(stream->isEOF());
    EXPECT_EQ(0, stream->peek(nullptr, 0));
    EXPECT_TRUE(peeked(*stream, 4).empty());
}

TEST(PeekableInStream, RewindPeekStartsAgainAtTheFirstUnconsumedByte) {
    auto stream = peekable(20);
    EXPECT_EQ(run(0, 4), peeked(*stream, 4));
    stream->rewindPeek();
    EXPECT_EQ(run(0, 4), peeked(*stream, 4));
    EXPECT_EQ(run(4, 2), peeked(*stream, 2));
    stream->rewindPeek();
    EXPECT_EQ(0, stream->getPeekPosition());
    EXPECT_EQ(run(0, 3), taken(*stream, 3));
    EXPECT_EQ(run(3, 5), peeked(*stream, 5));
    stream->rewindPeek();
    EXPECT_EQ(run(3, 2), peeked(*stream, 2));
    // Position queries end the peek as a rewind does.
    EXPECT_EQ(3, stream->getPosition());
    EXPECT_EQ(run(3, 2), peeked(*stream, 2));
    EXPECT_FALSE(stream->isEOF());
    EXPECT_EQ(run(3, 4), taken(*stream, 4));
}

TEST(PeekableInStream, SkipsGoThroughPeekedBytesFirst) {
    auto stream = peekable(30);
    EXPECT_EQ(run(0, 4), peeked(*stream, 4));
    EXPECT_EQ(10, stream->skip(10));
    EXPECT_EQ(run(10, 1), taken(*stream, 1));

    EXPECT_EQ(run(11, 3), peeked(*stream, 3));
    stream->skipFully(2);
    EXPECT_EQ(run(13, 2), peeked(*stream, 2));
    EXPECT_EQ(5, stream->skipPartial(5));
    EXPECT_EQ(18, stream->getPosition());
    EXPECT_EQ(run(18, 2), peeked(*stream, 2));
    // Past the end: skip reports what it got, skipFully fails.
    EXPECT_EQ(12, stream->skip(20));
    EXPECT_TRUE(stream->isEOF());

    auto shortOne = peekable(6);
    EXPECT_EQ(run(0, 4), peeked(*shortOne, 4));
    EXPECT_THROW(shortOne->skipFully(8), CEndOfStreamError);
}

TEST(PeekableInStream, ReadFullyAndPartialTakeTheBufferThenTheInnerStream) {
    auto stream = peekable(10);
    EXPECT_EQ(run(0, 3), peeked(*stream, 3));
    uint8_t bytes[10] = {};
    stream->readFully(bytes, 5);
    EXPECT_EQ(run(0, 5), std::vector<int>(bytes, bytes + 5));
    EXPECT_EQ(run(5, 2), peeked(*stream, 2));
    EXPECT_EQ(3, stream->readPartial(bytes, 3));
    EXPECT_EQ(run(5, 3), std::vector<int>(bytes, bytes + 3));
    EXPECT_EQ(run(8, 1), peeked(*stream, 1));
    EXPECT_THROW(stream->readFully(bytes, 5), CEndOfStreamError);
    EXPECT_THROW(stream->read(bytes, -1), CInvalidArgError);
    EXPECT_THROW(stream->peek(bytes, -1), CInvalidArgError);
}

TEST(PeekableInStream, DroppingThePeekBufferSkipsWhatItHeld) {
    auto stream = peekable(10);
    EXPECT_EQ(run(0, 4), peeked(*stream, 4));
    EXPECT_EQ(run(0, 1), taken(*stream, 1));
    stream->dropPeekBuffer();
    EXPECT_EQ(4, stream->getPosition());
    EXPECT_EQ(run(4, 2), taken(*stream, 2));
}

TEST(PeekableInStream, FindSearchesUpToTheLimitWithoutConsuming) {
    auto early = withBytesAt({{50, 0x7D}, {70, 0x7D}});
    EXPECT_EQ(50, findIn(*early, {0x7D}, 100));
    EXPECT_EQ(0, early->getPosition());
    EXPECT_EQ(-1, findIn(*withBytesAt({{150, 0x7D}}), {0x7D}, 100));
    EXPECT_EQ(-1, findIn(*withBytesAt({}), {0x7D}, 1000));

    // At the edge of the limit: a match must fit whole inside it.
    auto edge = withBytesAt({{98, 1}, {99, 2}});
    EXPECT_EQ(98, findIn(*edge, {1, 2}, 100));
    EXPECT_EQ(-1, findIn(*edge, {1, 2}, 99));
    EXPECT_EQ(0, findIn(*withBytesAt({{0, 5}}), {5}, 1));
    EXPECT_EQ(-1, findIn(*edge, {1, 2}, 0));

    // A first byte that comes again and again before the whole pattern does.
    auto repeated = withBytesAt({{10, 9}, {11, 9}, {12, 9}, {13, 8}});
    EXPECT_EQ(12, findIn(*repeated, {9, 8}, 200));
    EXPECT_EQ(0, findIn(*repeated, {}, 200));
    EXPECT_EQ(-1, findIn(*repeated, {9, 8}, 200, make<CSetSignal>().get()));
}

TEST(PeekableInStream, FindMatchesAcrossBufferedAndFreshBytes) {
    auto stream = peekable(40, 7);
    EXPECT_EQ(run(0, 5), peeked(*stream, 5));
    stream->rewindPeek();
    // Bytes 3 to 6 lie half in the buffer, half in the inner stream, which reads in sevens.
    EXPECT_EQ(3, findIn(*stream, {3, 4, 5, 6}, 40));
    EXPECT_EQ(-1, findIn(*stream, {3, 4, 5, 6}, 6));
    EXPECT_EQ(run(0, 10), taken(*stream, 10));
    // Searching while a peek is in progress starts where the peek stands.
    EXPECT_EQ(run(10, 2), peeked(*stream, 2));
    EXPECT_EQ(1, findIn(*stream, {13}, 10));
    EXPECT_EQ(run(10, 5), taken(*stream, 5));
    EXPECT_EQ(24, findIn(*stream, {39}, 100));
}
