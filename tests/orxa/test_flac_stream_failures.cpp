// Streams that fail under the workers' feet. The workers are made here directly, so they open
// their streams through this process's stream manager, where a scripted factory can answer.

#include "flacTestSupport.h"

#include "orxa/common/IFormatStatus.h"
#include "orxa/flac/CFLACFormat.h"
#include "orxa/flac/CFLACSource.h"
#include "tamu/CException.h"
#include "tamu/CMemoryBlock.h"
#include "tamu/CMemoryIOStream.h"
#include "tamu/CStreamFactory.h"
#include "tamu/IMutex.h"
#include "tamu/IStreamManager.h"
#include "tamu/IURI.h"

using namespace flactest;
using orxa::common::COrxaError;
using tamu::P;

namespace {

enum class Failure { none, readAfterBudget, seek, tell };

// A memory stream that throws a foundation exception on the operation it is told to fail.
class CFailingStream : public tamu::CMemoryIOStream {
public:
    CFailingStream(const P<tamu::IMemoryBlock>& block, Failure failure, int32_t readBudget)
        : CMemoryIOStream(block), m_failure(failure), m_budget(readBudget) {}

    int32_t read(void* buffer, int32_t count) override {
        if (m_failure == Failure::readAfterBudget && (m_budget -= count) < 0)
            fail("the medium went away");
        return CMemoryIOStream::read(buffer, count);
    }
    void seek(int64_t position) override {
        if (m_failure == Failure::seek)
            fail("cannot seek here");
        CMemoryIOStream::seek(position);
    }
    int64_t getPosition() const override {
        if (m_failure == Failure::tell)
            fail("cannot tell here");
        return CMemoryIOStream::getPosition();
    }

private:
    [[noreturn]] static void fail(const char* text) {
        throw tamu::CException(tamu::str("CTestError"), tamu::stringConv::fromUTF8(text));
    }

    Failure m_failure;
    int32_t m_budget;
};

// Answers URIs of the scheme "failing" with a failing stream over `content`.
class CFailingFactory : public tamu::CStreamFactory {
public:
    Bytes content;
    Failure failure = Failure::none;
    int32_t readBudget = 0;

    P<tamu::IInStream> tryOpenInStream(tamu::IURI* uri, int32_t) override { return answer(uri); }
    P<tamu::IResetableInStream> tryOpenResetableInStream(tamu::IURI* uri, int32_t) override {
        return answer(uri);
    }
    P<tamu::ISeekableInStream> tryOpenSeekableInStream(tamu::IURI* uri, int32_t) override {
        return answer(uri);
    }
    P<tamu::IOutStream> tryOpenOutStream(tamu::IURI* uri, int32_t, int32_t, bool) override {
        return answer(uri);
    }
    P<tamu::IResetableOutStream> tryOpenResetableOutStream(tamu::IURI* uri, int32_t, int32_t,
                                                           bool) override {
        return answer(uri);
    }
    P<tamu::ISeekableOutStream> tryOpenSeekableOutStream(tamu::IURI* uri, int32_t, int32_t,
                                                         bool) override {
        return answer(uri);
    }
    P<tamu::IIOStream> tryOpenIOStream(tamu::IURI* uri, int32_t, int32_t, bool) override {
        return answer(uri);
    }
    P<tamu::IResetableIOStream> tryOpenResetableIOStream(tamu::IURI* uri, int32_t, int32_t,
                                                         bool) override {
        return answer(uri);
    }
    P<tamu::ISeekableIOStream> tryOpenSeekableIOStream(tamu::IURI* uri, int32_t, int32_t,
                                                       bool) override {
        return answer(uri);
    }

private:
    P<CFailingStream> answer(tamu::IURI* uri) {
        if (!uri->isScheme("failing"))
            return nullptr;
        auto block =
            tamu::make<tamu::CMemoryBlock>(static_cast<int32_t>(content.size()), content.data());
        return tamu::make<CFailingStream>(block, failure, readBudget);
    }
};

class FlacStreamFailures : public FlacTest {
protected:
    void SetUp() override {
        FlacTest::SetUp();
        m_factory = tamu::make<CFailingFactory>();
        tamu::getStreamManager()->addFactory(m_factory.get());
    }
    void TearDown() override {
        tamu::getStreamManager()->removeFactory(m_factory.get());
        FlacTest::TearDown();
    }

    P<orxa::flac::CFLACFormat> failingFormat(Failure failure) {
        m_factory->failure = failure;
        return tamu::make<orxa::flac::CFLACFormat>(m_host.get(), tamu::str("orxa_flac"),
                                                   tamu::str("failing:out.flac"), 44100, 1, 2);
    }

    P<CFailingFactory> m_factory;
};

} // namespace

TEST_F(FlacStreamFailures, ReadFailureIsLoggedAndStopsTheDecoder) {
    m_factory->content =
        readBytes(encodeWithFlac(wavFile("in.wav", 44100, 2, 16, 1.0), "in.flac", ""));
    m_factory->failure = Failure::readAfterBudget;
    m_factory->readBudget = static_cast<int32_t>(m_factory->content.size() / 2);
    auto source = tamu::make<orxa::flac::CFLACSource>(m_host.get(), tamu::str("orxa_flac"),
                                                      tamu::str("failing:in.flac"), 44100, 2, 2);
    source->open();
    int chunks = 0;
    try {
        while (source->getNextAudioChunk())
            ++chunks;
        FAIL() << "the decoder ran to the end of a failing stream";
    } catch (const COrxaError& e) {
        EXPECT_NE(tamu::stringConv::toStdString(*e.getMessage())
                      .find("CFLACSource::getNextAudioChunk() - decoder stopped"),
                  std::string::npos);
    }
    EXPECT_EQ(countLines(2, "CFLACSource: trying to read (the medium went away)"), 1);
    // The report names the stream's reason, which the decoder's error cannot.
    ASSERT_TRUE(source->getReadFailure());
    EXPECT_EQ(tamu::stringConv::toStdString(*source->getReadFailure()),
              "CFLACSource: trying to read (the medium went away)");
    EXPECT_FALSE(source->isIntact());
    // It fails the same way when asked again, without looping.
    EXPECT_THROW(source->getNextAudioChunk(), COrxaError);
    EXPECT_FALSE(source->isAtEnd());
    source->close();
    EXPECT_EQ(countLines(2, "CFLACSource: failing:in.flac closed"), 1);

    // Opened again on a sound stream, the old failure is forgotten.
    m_factory->failure = Failure::none;
    source->open();
    while (source->getNextAudioChunk())
        ++chunks;
    EXPECT_FALSE(source->getReadFailure());
    EXPECT_TRUE(source->isIntact());
    source->close();
}

TEST_F(FlacStreamFailures, SeekAndTellFailuresAreLoggedAsTheirHandlersDo) {
    const Bytes silence(44100 * 2, 0);
    auto chunk = [&] { return chunkOf(silence.data(), silence.size()); };

    // Seeking back to STREAMINFO fails when the encoder is finished: logged with the message,
    // and close does not throw.
    P<orxa::flac::CFLACFormat> seeking = failingFormat(Failure::seek);
    seeking->open();
    ASSERT_TRUE(seeking->isOpen());
    seeking->writeAudioChunk(chunk());
    EXPECT_NO_THROW(seeking->close());
    EXPECT_EQ(countLines(2, "CFLACFormat: seekHandler failing:out.flac\ncannot seek here"), 1);

    // A stream that cannot tell its position fails the encoder's start: the tell handler logs
    // the location alone, the encoder stays in place and refuses the audio.
    P<orxa::flac::CFLACFormat> telling = failingFormat(Failure::tell);
    telling->open();
    EXPECT_TRUE(telling->isOpen());
    EXPECT_EQ(countLines(2, "CFLACFormat: error init stream (failing:out.flac)"), 1);
    EXPECT_THROW(telling->writeAudioChunk(chunk()), COrxaError);
    EXPECT_NO_THROW(telling->close());
    EXPECT_GE(countLines(2, "CFLACFormat: tellHandler failing:out.flac"), 1);
    EXPECT_EQ(countLines(2, "cannot tell here"), 0);
}

TEST_F(FlacStreamFailures, TheFormatStatusKeepsTheFirstFailureUntilTheNextOpen) {
    const Bytes silence(44100 * 2, 0);
    auto text = [](const P<tamu::IString>& line) {
        return line ? tamu::stringConv::toStdString(*line) : std::string("(none)");
    };

    P<orxa::flac::CFLACFormat> seeking = failingFormat(Failure::seek);
    P<orxa::common::IFormatStatus> status =
        tamu::tryInterfaceCast<orxa::common::IFormatStatus>(seeking);
    ASSERT_TRUE(status);
    seeking->open();
    seeking->writeAudioChunk(chunkOf(silence.data(), silence.size()));
    EXPECT_FALSE(status->hasFailed());
    EXPECT_EQ(text(status->getFailure()), "(none)");
    // The failure of finishing the file outlives close, where a host looks for it.
    seeking->close();
    EXPECT_TRUE(status->hasFailed());
    EXPECT_EQ(text(status->getFailure()),
              "CFLACFormat: seekHandler failing:out.flac\ncannot seek here");
    seeking->open();
    EXPECT_FALSE(status->hasFailed());
    seeking->close();

    // Of a tell failure and the failed start it causes, the first line is kept.
    P<orxa::flac::CFLACFormat> telling = failingFormat(Failure::tell);
    telling->open();
    EXPECT_EQ(text(tamu::tryInterfaceCast<orxa::common::IFormatStatus>(telling)->getFailure()),
              "CFLACFormat: tellHandler failing:out.flac");
    telling->close();
}

// A stream that cannot seek is decoded forward to the place asked for, which it reaches as
// exactly as seeking does; going back is refused, since the audio before is gone.
TEST_F(FlacStreamFailures, SkipOnAStreamThatCannotSeekDecodesForwardToTheSample) {
    const std::string flac =
        encodeWithFlac(wavFile("in.wav", 44100, 2, 16, 1.0), "in.flac", "--blocksize=4096");
    const Bytes expected = flacDecoded(flac);
    m_factory->content = readBytes(flac);
    for (Failure failure : {Failure::seek, Failure::tell}) {
        m_factory->failure = failure;
        auto source = tamu::make<orxa::flac::CFLACSource>(
            m_host.get(), tamu::str("orxa_flac"), tamu::str("failing:in.flac"), 44100, 2, 2);
        source->open();
        ASSERT_TRUE(source->getNextAudioChunk());
        // Inside the next frame, then further on inside a later one.
        for (int64_t sample : {5000, 30001}) {
            source->skipTo(static_cast<double>(sample) / 44100);
            P<orxa::audio::IAudioChunk> chunk = source->getNextAudioChunk();
            ASSERT_TRUE(chunk);
            EXPECT_EQ(chunk->getSize() / 4, 4096 - sample % 4096);
            EXPECT_TRUE(std::equal(chunk->getData(), chunk->getData() + chunk->getSize(),
                                   expected.begin() + sample * 4));
        }
        EXPECT_THROW(source->skipTo(0.1), COrxaError);
        Decoded rest = decodeAll(*source);
        EXPECT_EQ(rest.pcm.size(), expected.size() - (30001 / 4096 + 1) * 4096 * 4);
        source->skipTo(5.0);
        EXPECT_FALSE(source->getNextAudioChunk());
        source->close();
    }
}
