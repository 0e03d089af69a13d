#include "tamu/CException.h"
#include "tamu/CMemoryBlock.h"
#include "tamu/CMemoryIOStream.h"
#include "tamu/CObjectError.h"
#include "tamu/CStringInStream.h"
#include "tamu/CStringOutStream.h"
#include "tamu/CURI.h"
#include "tamu/CURIError.h"
#include "tamu/IString.h"
#include "tamu/stringConv.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <functional>
#include <string>
#include <thread>
#include <vector>

using namespace tamu;

namespace {

std::string s(const P<IString>& text) {
    return stringConv::toStdString(*text);
}

// A stream holding the bytes 0, 1, 2, ... count - 1.
P<CMemoryIOStream> counting(int32_t count) {
    auto block = make<CMemoryBlock>(count);
    for (int32_t i = 0; i < count; ++i)
        block->getData()[i] = static_cast<uint8_t>(i);
    return make<CMemoryIOStream>(block);
}

std::string contentOf(CMemoryIOStream& stream) {
    P<IMemoryBlock> block = stream.getMemoryBlock();
    return std::string(reinterpret_cast<const char*>(block->getData()),
                       static_cast<size_t>(block->getSize()));
}

// An input whose reads answer from a script; after the script it is at its end.
class CScriptedInStream : public CStringInStream {
public:
    explicit CScriptedInStream(std::vector<int32_t> answers)
        : CStringInStream(""), m_answers(std::move(answers)) {}
    int32_t read(void* buffer, int32_t count) override {
        int32_t answer = m_answers[m_next++];
        std::memset(buffer, 'x', static_cast<size_t>(std::clamp(answer, 0, count)));
        return answer;
    }
    bool isEOF() const override { return m_next >= m_answers.size(); }

private:
    std::vector<int32_t> m_answers;
    size_t m_next = 0;
};

template <class E>
void expectThrows(const std::function<void()>& action, const char* message) {
    try {
        action();
        ADD_FAILURE() << "no exception, expected: " << message;
    } catch (const E& e) {
        EXPECT_EQ(message, s(e.getMessage()));
    }
}

} // namespace

TEST(MemoryStream, ReadsSkipsAndSeeksStopAtTheBounds) {
    auto stream = counting(100);
    stream->seek(95);
    uint8_t buffer[10] = {};
    EXPECT_EQ(5, stream->read(buffer, 10));
    EXPECT_TRUE(stream->isEOF());
    expectThrows<CEndOfStreamError>([&] { stream->readFully(buffer, 10); },
                                    "Unexpected end of data stream.");
    stream->seek(97);
    EXPECT_EQ(3, stream->skip(10));
    stream->seek(97);
    EXPECT_THROW(stream->skipFully(4), CEndOfStreamError);
    stream->seek(4);
    EXPECT_THROW(stream->seek(101), CInvalidArgError);
    EXPECT_THROW(stream->seekFromEnd(1), CInvalidArgError);
    EXPECT_THROW(stream->seekRelative(INT64_MAX), CInvalidArgError);
    EXPECT_THROW(stream->seekFromEnd(INT64_MIN), CInvalidArgError);
    EXPECT_THROW(stream->read(buffer, -1), CInvalidArgError);
    EXPECT_EQ(4, stream->getPosition());
}

TEST(MemoryStream, WritesOverwriteAppendAndGrowByDoubling) {
    auto block = make<CMemoryBlock>(3, "abc");
    auto stream = make<CMemoryIOStream>(block);
    stream->seek(2);
    EXPECT_EQ(4, stream->writeCounted("WXYZ", 4));
    stream->seek(1);
    stream->write("-", 1);
    // The stream writes into the block it was given.
    EXPECT_EQ("a-WXYZ", contentOf(*stream));
    EXPECT_EQ(6, block->getSize());

    int growths = 0;
    stream->seekFromEnd(0);
    for (int i = 0; i < 1000; ++i) {
        int32_t before = block->getCapacity();
        stream->write("z", 1);
        growths += block->getCapacity() != before;
    }
    // Growing only to the needed size would grow at every write.
    EXPECT_LT(growths, 25);
    EXPECT_EQ("a-WXYZ" + std::string(1000, 'z'), contentOf(*stream));
}

// The stream's own bytes as the source of a write: when the write grows the block, they must be
// read from where they moved (AddressSanitizer reports a use after free otherwise).
TEST(MemoryStream, WritingItsOwnBytesSurvivesGrowthAndOverlap) {
    auto block = make<CMemoryBlock>(8, "01234567");
    auto stream = make<CMemoryIOStream>(block);
    stream->seekFromEnd(0);
    for (int i = 0; i < 6; ++i)
        stream->write(block->getData(), block->getSize());
    EXPECT_EQ(contentOf(*stream), [] {
        std::string expected = "01234567";
        for (int i = 0; i < 6; ++i)
            expected += expected;
        return expected;
    }());
    // Overlapping ranges inside the block: a move, not a copy.
    stream->seek(2);
    stream->write(block->getData(), 6);
    EXPECT_EQ(contentOf(*stream).substr(0, 10), "0101234501");
}

TEST(MemoryStream, ClosedStreamRefusesTransfersAndNamesItsURI) {
    auto uri = make<CURI>("file:///a/b.bin");
    auto stream = make<CMemoryIOStream>(make<CMemoryBlock>(8, "01234567"), uri);
    // The stream keeps a clone, untouched by changes to the caller's URI.
    uri->makeRelative(*make<CURI>("file:///a/"));
    stream->seek(3);
    P<IStreamMarker> marker = stream->createMarker();
    stream->close();
    char buffer[4];
    const char* closed = "The stream has been closed.";
    expectThrows<CStreamClosedError>([&] { stream->write("a", 1); }, closed);
    expectThrows<CStreamClosedError>([&] { stream->seekRelative(0); }, closed);
    expectThrows<CStreamClosedError>([&] { stream->resetToMarker(*marker); }, closed);
    try {
        stream->read(buffer, 1);
        ADD_FAILURE() << "a closed stream read";
    } catch (const CStreamClosedError& e) {
        ASSERT_TRUE(e.getURI());
        EXPECT_EQ("file:///a/b.bin", s(e.getURI()->toString()));
    }
}

TEST(MemoryStream, MarkersReturnToTheirPosition) {
    auto stream = counting(20);
    stream->seek(12);
    P<IStreamMarker> marker = stream->createMarker();
    stream->seek(15);
    stream->resetToMarker(*marker);
    EXPECT_EQ(12, stream->getPosition());
    // A marker beyond a stream's length or of another kind of stream is refused.
    EXPECT_THROW(counting(5)->resetToMarker(*marker), CInvalidArgError);
    class CForeignMarker : public CObject, public virtual IStreamMarker {
    public:
        void discard() override {}
    };
    EXPECT_THROW(stream->resetToMarker(*make<CForeignMarker>()), CCastError);
}

TEST(MemoryStreamConcurrency, WritesFromTwoThreadsStayWhole) {
    auto stream = make<CMemoryIOStream>();
    auto writer = [&](char tag) {
        char record[4] = {tag, tag, tag, tag};
        for (int i = 0; i < 2000; ++i)
            stream->write(record, 4);
    };
    std::thread a(writer, 'a');
    std::thread b(writer, 'b');
    a.join();
    b.join();
    std::string content = contentOf(*stream);
    ASSERT_EQ(16000u, content.size());
    for (size_t i = 0; i < content.size(); i += 4)
        ASSERT_EQ(std::string(4, content[i]), content.substr(i, 4)) << "record at " << i;
}

TEST(StreamCopy, CopyToAndCopyFrom) {
    auto source = counting(100);
    auto target = make<CMemoryIOStream>();
    source->seek(10);
    source->copyTo(*target, nullptr, 7);
    EXPECT_EQ(99, target->getMemoryBlock()->getData()[89]);
    EXPECT_THROW(source->copyTo(*target, nullptr, 0), CInvalidArgError);

    auto text = make<CStringInStream>("copied through a caller's buffer");
    auto out = make<CStringOutStream>(4);
    char buffer[5];
    out->copyFrom(*text, buffer, sizeof buffer);
    EXPECT_EQ("copied through a caller's buffer", s(out->getString()));
}

TEST(StreamCopy, CopyFromWaitsOnEmptyReadsAndFailsOnNegativeOnes) {
    auto patient = make<CScriptedInStream>(std::vector<int32_t>{0, 4, 0, 0, 2});
    auto target = make<CMemoryIOStream>();
    target->copyFrom(*patient, nullptr, 8);
    EXPECT_EQ("xxxxxx", contentOf(*target));

    auto broken = make<CScriptedInStream>(std::vector<int32_t>{3, -1, 5});
    auto out = make<CMemoryIOStream>();
    expectThrows<CException>([&] { out->copyFrom(*broken, nullptr, 8); },
                             "Input stream read error");
    EXPECT_EQ(3, out->getLength());
}

TEST(StringInStream, UnitsWithACountKeepTheirZeros) {
    const char16_t units[] = {u'a', 0, 0x20AC};
    auto counted = make<CStringInStream>(units, 3);
    EXPECT_EQ(6, counted->getLength());
    uint8_t bytes[6] = {};
    counted->readFully(bytes, 6);
    EXPECT_EQ((std::vector<uint8_t>{'a', 0, 0, 0, 0xAC, 0x20}),
              std::vector<uint8_t>(bytes, bytes + 6));
    EXPECT_EQ(2, make<CStringInStream>(units)->getLength());
    EXPECT_EQ(0, make<CStringInStream>(units, -1)->getLength());
}
