#include "tamu/CException.h"
#include "tamu/CMemoryBlock.h"
#include "tamu/CMemoryIOStream.h"
#include "tamu/CObjectError.h"
#include "tamu/CStringInStream.h"
#include "tamu/CStringOutStream.h"
#include "tamu/CURI.h"
#include "tamu/CURIError.h"
#include "tamu/ISignal.h"
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

std::string messageOf(const CException& e) {
    return s(e.getMessage());
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

// An input whose reads answer from a script; every read after the script ends is the end.
class CScriptedInStream : public CObject, public virtual IInStream {
public:
    explicit CScriptedInStream(std::vector<int32_t> answers) : m_answers(std::move(answers)) {}

    int64_t getPosition() const override { return 0; }
    int64_t getLength() const override { return -1; }
    bool isClosed() const override { return false; }
    void close() override {}
    P<IURI> getURI() const override { return nullptr; }
    void readFully(void* buffer, int32_t count) override { read(buffer, count); }
    int32_t read(void* buffer, int32_t count) override {
        int32_t answer = m_answers[m_next++];
        std::memset(buffer, 'x', static_cast<size_t>(std::clamp(answer, 0, count)));
        return answer;
    }
    int32_t readPartial(void* buffer, int32_t count) override { return read(buffer, count); }
    void skipFully(int32_t) override {}
    int32_t skip(int32_t) override { return 0; }
    int32_t skipPartial(int32_t) override { return 0; }
    bool isEOF() const override { return m_next >= m_answers.size(); }

    size_t reads() const { return m_next; }

private:
    std::vector<int32_t> m_answers;
    size_t m_next = 0;
};

// Answers true from its `setAfter`-th question on.
class CCountingStop : public CObject, public virtual ISignal {
public:
    explicit CCountingStop(int setAfter) : m_setAfter(setAfter) {}
    void set() override {}
    void reset() override {}
    bool isSet() override { return ++m_asked > m_setAfter; }
    bool wait(uint32_t) override { return isSet(); }

private:
    int m_setAfter;
    int m_asked = 0;
};

template <class E>
void expectThrows(const std::function<void()>& action, const char* message) {
    try {
        action();
        ADD_FAILURE() << "no exception, expected: " << message;
    } catch (const E& e) {
        EXPECT_EQ(message, messageOf(e));
    }
}

} // namespace

TEST(MemoryStream, ReadingStopsAtTheEnd) {
    auto stream = counting(100);
    stream->seek(95);
    uint8_t buffer[10] = {};
    EXPECT_EQ(5, stream->read(buffer, 10));
    EXPECT_EQ(100, stream->getPosition());
    EXPECT_EQ(95, buffer[0]);
    EXPECT_EQ(99, buffer[4]);
    EXPECT_TRUE(stream->isEOF());
    expectThrows<CEndOfStreamError>([&] { stream->readFully(buffer, 10); },
                                    "Unexpected end of data stream.");

    stream->seek(90);
    stream->readFully(buffer, 10);
    EXPECT_EQ(90, buffer[0]);
    EXPECT_EQ(99, buffer[9]);

    stream->seek(97);
    EXPECT_EQ(3, stream->skip(10));
    stream->seek(97);
    expectThrows<CEndOfStreamError>([&] { stream->skipFully(4); },
                                    "Unexpected end of data stream.");
    stream->seek(10);
    stream->skipFully(5);
    EXPECT_EQ(15, stream->getPosition());
    EXPECT_EQ(4, stream->readPartial(buffer, 4));
    EXPECT_EQ(15, buffer[0]);
    EXPECT_EQ(2, stream->skipPartial(2));
    EXPECT_EQ(21, stream->getPosition());
}

TEST(MemoryStream, WritesOverwriteAndAppend) {
    auto stream = make<CMemoryIOStream>();
    char byte = 0;
    EXPECT_TRUE(stream->isEOF());
    EXPECT_EQ(0, stream->read(&byte, 1));
    EXPECT_EQ(0, stream->skip(5));
    stream->write("abc", 3);
    EXPECT_EQ(3, stream->getLength());
    stream->seek(2);
    EXPECT_EQ(4, stream->writeCounted("WXYZ", 4));
    EXPECT_EQ(6, stream->getLength());
    EXPECT_EQ(6, stream->getPosition());
    EXPECT_EQ("abWXYZ", contentOf(*stream));

    stream->seek(1);
    stream->write("-", 1);
    EXPECT_EQ(6, stream->getLength());
    EXPECT_EQ("a-WXYZ", contentOf(*stream));
    stream->write("", 0);
    EXPECT_EQ(2, stream->getPosition());

    char back[6];
    stream->seek(0);
    stream->readFully(back, 6);
    EXPECT_EQ("a-WXYZ", std::string(back, 6));
    stream->flush();
}

TEST(MemoryStream, SharesTheBlockItIsGiven) {
    auto block = make<CMemoryBlock>(3, "xyz");
    auto stream = make<CMemoryIOStream>(block);
    EXPECT_EQ(3, stream->getLength());
    EXPECT_EQ(block.get(), stream->getMemoryBlock().get());
    stream->seekFromEnd(0);
    stream->write("!", 1);
    EXPECT_EQ(4, block->getSize());
    EXPECT_EQ('!', block->getData()[3]);
}

TEST(MemoryStream, GrowsByDoubling) {
    auto stream = make<CMemoryIOStream>();
    P<IMemoryBlock> block = stream->getMemoryBlock();
    int growths = 0;
    for (int i = 0; i < 1000; ++i) {
        int32_t before = block->getCapacity();
        stream->write("z", 1);
        growths += block->getCapacity() != before;
    }
    EXPECT_EQ(1000, stream->getLength());
    // Growing only to the needed size would grow at every write.
    EXPECT_LT(growths, 25);
    EXPECT_LE(block->getCapacity(), 2000);
    EXPECT_EQ(std::string(1000, 'z'), contentOf(*stream));
}

TEST(MemoryStream, SeekingAndCountsOutOfRange) {
    auto stream = counting(10);
    stream->seek(10);
    EXPECT_TRUE(stream->isEOF());
    stream->seek(4);
    EXPECT_THROW(stream->seek(11), CInvalidArgError);
    EXPECT_THROW(stream->seek(-1), CInvalidArgError);
    EXPECT_EQ(4, stream->getPosition());
    stream->seekFromEnd(-1);
    EXPECT_EQ(9, stream->getPosition());
    EXPECT_THROW(stream->seekFromEnd(1), CInvalidArgError);
    stream->seek(5);
    stream->seekRelative(-3);
    EXPECT_EQ(2, stream->getPosition());
    EXPECT_THROW(stream->seekRelative(-3), CInvalidArgError);
    EXPECT_THROW(stream->seekRelative(INT64_MAX), CInvalidArgError);
    EXPECT_THROW(stream->seekFromEnd(INT64_MIN), CInvalidArgError);
    char byte;
    EXPECT_THROW(stream->read(&byte, -1), CInvalidArgError);
    EXPECT_THROW(stream->skip(-1), CInvalidArgError);
    EXPECT_THROW(stream->write(&byte, -1), CInvalidArgError);
    EXPECT_EQ(2, stream->getPosition());
    EXPECT_EQ(10, stream->getLength());

    // Every seekable view reaches the same stream.
    ISeekableInStream& in = *stream;
    ISeekableOutStream& out = *stream;
    ISeekableStream& plain = *stream;
    in.seek(1);
    EXPECT_EQ(1, out.getPosition());
    out.seekRelative(2);
    EXPECT_EQ(3, plain.getPosition());
}

TEST(MemoryStream, ClosedStreamRefusesTransfers) {
    auto stream = counting(8);
    stream->seek(3);
    P<IStreamMarker> marker = stream->createMarker();
    stream->close();
    char buffer[4];
    const char* closed = "The stream has been closed.";
    expectThrows<CStreamClosedError>([&] { stream->read(buffer, 1); }, closed);
    expectThrows<CStreamClosedError>([&] { stream->readFully(buffer, 1); }, closed);
    expectThrows<CStreamClosedError>([&] { stream->skip(1); }, closed);
    expectThrows<CStreamClosedError>([&] { stream->write("a", 1); }, closed);
    expectThrows<CStreamClosedError>([&] { stream->flush(); }, closed);
    expectThrows<CStreamClosedError>([&] { stream->seek(0); }, closed);
    expectThrows<CStreamClosedError>([&] { stream->seekRelative(0); }, closed);
    expectThrows<CStreamClosedError>([&] { stream->createMarker(); }, closed);
    expectThrows<CStreamClosedError>([&] { stream->resetToMarker(*marker); }, closed);
    EXPECT_TRUE(stream->isClosed());
    EXPECT_EQ(8, stream->getLength());
    EXPECT_EQ(3, stream->getPosition());
    EXPECT_EQ(7, stream->getMemoryBlock()->getData()[7]);
}

TEST(MemoryStream, MarkersReturnToTheirPosition) {
    auto stream = counting(20);
    stream->seek(7);
    P<IStreamMarker> marker = stream->createMarker();
    uint8_t buffer[5];
    stream->readFully(buffer, 5);
    stream->skip(3);
    stream->resetToMarker(*marker);
    EXPECT_EQ(7, stream->getPosition());
    stream->readFully(buffer, 1);
    EXPECT_EQ(7, buffer[0]);
    marker->discard();

    // A marker of another memory stream is of the right kind; beyond the length it is not.
    auto other = counting(20);
    other->seek(12);
    stream->resetToMarker(*other->createMarker());
    EXPECT_EQ(12, stream->getPosition());
    auto shortStream = counting(5);
    EXPECT_THROW(shortStream->resetToMarker(*other->createMarker()), CInvalidArgError);

    // A marker of another kind of stream.
    class CForeignMarker : public CObject, public virtual IStreamMarker {
    public:
        void discard() override {}
    };
    auto foreign = make<CForeignMarker>();
    EXPECT_THROW(stream->resetToMarker(*foreign), CCastError);
    EXPECT_EQ(12, stream->getPosition());
}

TEST(MemoryStream, KeepsACloneOfItsURI) {
    auto uri = make<CURI>("file:///a/b.bin");
    auto stream = make<CMemoryIOStream>(nullptr, uri);
    ASSERT_TRUE(stream->getURI());
    EXPECT_NE(static_cast<IURI*>(uri.get()), stream->getURI().get());
    uri->makeRelative(*make<CURI>("file:///a/"));
    EXPECT_EQ("file:/a/b.bin", s(stream->getURI()->toString()));

    stream->close();
    try {
        stream->read(nullptr, 0);
        ADD_FAILURE() << "a closed stream read";
    } catch (const CStreamClosedError& e) {
        ASSERT_TRUE(e.getURI());
        EXPECT_EQ("file:/a/b.bin", s(e.getURI()->toString()));
    }
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

TEST(StringInStream, ReadsTheTextBytes) {
    auto stream = make<CStringInStream>("abc");
    EXPECT_EQ(3, stream->getLength());
    EXPECT_FALSE(stream->getURI());
    char buffer[8] = {};
    EXPECT_EQ(3, stream->read(buffer, 8));
    EXPECT_EQ("abc", std::string(buffer));
    EXPECT_TRUE(stream->isEOF());

    auto uri = make<CURI>("mem:text");
    stream->setURI(uri);
    ASSERT_TRUE(stream->getURI());
    EXPECT_TRUE(stream->getURI()->equals(*uri));
    EXPECT_NE(static_cast<IURI*>(uri.get()), stream->getURI().get());

    auto wide = make<CStringInStream>(u"a\u00E9\u20AC");
    EXPECT_EQ(6, wide->getLength());
    uint8_t bytes[6];
    wide->readFully(bytes, 6);
    const uint8_t expected[6] = {'a', 0, 0xE9, 0, 0xAC, 0x20};
    EXPECT_EQ(0, std::memcmp(expected, bytes, 6));

    EXPECT_EQ(0, make<CStringInStream>(static_cast<const char*>(nullptr))->getLength());
    stream->close();
    EXPECT_TRUE(stream->isClosed());
    EXPECT_THROW(stream->skip(1), CStreamClosedError);
}

TEST(StringOutStream, CollectsText) {
    auto stream = make<CStringOutStream>();
    EXPECT_EQ("", s(stream->getString()));
    stream->write("h\xC3\xA9", 3);
    EXPECT_EQ(3, stream->writeCounted("llo", 3));
    EXPECT_EQ("h\xC3\xA9llo", s(stream->getString()));
    EXPECT_EQ(5, stream->getString()->getLength());
    EXPECT_EQ(6, stream->getPosition());
    EXPECT_FALSE(stream->getURI());

    // The default capacity is no limit.
    std::string big(70000, 'q');
    stream->write(big.data(), static_cast<int32_t>(big.size()));
    EXPECT_EQ(70006, stream->getString()->getByteLength());

    stream->close();
    EXPECT_TRUE(stream->isClosed());
    EXPECT_THROW(stream->write("x", 1), CStreamClosedError);
    EXPECT_THROW(stream->flush(), CStreamClosedError);
    EXPECT_EQ(70006, stream->getString()->getByteLength());
}

TEST(StreamCopy, CopyToAndCopyFrom) {
    auto source = counting(100);
    auto target = make<CMemoryIOStream>();
    source->seek(10);
    source->copyTo(*target, nullptr, 7);
    EXPECT_EQ(90, target->getLength());
    EXPECT_EQ(10, target->getMemoryBlock()->getData()[0]);
    EXPECT_EQ(99, target->getMemoryBlock()->getData()[89]);
    EXPECT_TRUE(source->isEOF());

    auto text = make<CStringInStream>("copied through a caller's buffer");
    auto out = make<CStringOutStream>(4);
    char buffer[5];
    out->copyFrom(*text, buffer, sizeof buffer);
    EXPECT_EQ("copied through a caller's buffer", s(out->getString()));

    EXPECT_THROW(source->copyTo(*target, nullptr, 0), CInvalidArgError);
}

TEST(StreamCopy, StopEndsTheCopy) {
    auto source = counting(100);
    auto target = make<CMemoryIOStream>();
    auto stop = make<CCountingStop>(2);
    source->copyTo(*target, nullptr, 10, stop.get());
    EXPECT_EQ(20, target->getLength());

    auto again = make<CCountingStop>(3);
    target->copyFrom(*source, nullptr, 10, again.get());
    EXPECT_EQ(50, target->getLength());
}

TEST(StreamCopy, CopyFromWaitsOnEmptyReadsAndFailsOnNegativeOnes) {
    auto patient = make<CScriptedInStream>(std::vector<int32_t>{0, 4, 0, 0, 2});
    auto target = make<CMemoryIOStream>();
    target->copyFrom(*patient, nullptr, 8);
    EXPECT_EQ(5u, patient->reads());
    EXPECT_EQ("xxxxxx", contentOf(*target));

    auto broken = make<CScriptedInStream>(std::vector<int32_t>{3, -1, 5});
    auto out = make<CMemoryIOStream>();
    try {
        out->copyFrom(*broken, nullptr, 8);
        ADD_FAILURE() << "a negative read went unnoticed";
    } catch (const CException& e) {
        EXPECT_EQ("Input stream read error", messageOf(e));
    }
    EXPECT_EQ(3, out->getLength());
    EXPECT_EQ(2u, broken->reads());
}
