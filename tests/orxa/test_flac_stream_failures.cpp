// Streams that fail under the workers' feet. The workers are made here directly, so they open
// their streams through this process's stream manager, where a scripted factory can answer.

#include "faultyStreams.h"
#include "flacTestSupport.h"

#include "orxa/common/IFormatStatus.h"
#include "orxa/flac/CFLACFormat.h"
#include "orxa/flac/CFLACSource.h"
#include "tamu/IMutex.h"

using namespace flactest;
using faulty::Fault;
using faulty::Operation;
using orxa::common::COrxaError;
using tamu::P;

namespace {

class FlacStreamFailures : public FlacTest {
protected:
    void SetUp() override {
        FlacTest::SetUp();
        m_factory = tamu::make<faulty::CFaultyStreamFactory>(pathOf(""));
        tamu::getStreamManager()->addFactory(m_factory.get());
    }
    void TearDown() override {
        tamu::getStreamManager()->removeFactory(m_factory.get());
        FlacTest::TearDown();
    }

    P<orxa::flac::CFLACFormat> failingFormat(Operation operation) {
        m_factory->fault = Fault{operation};
        return tamu::make<orxa::flac::CFLACFormat>(m_host.get(), tamu::str("orxa_flac"),
                                                   tamu::str("failing:out.flac"), 44100, 1, 2);
    }

    P<faulty::CFaultyStreamFactory> m_factory;
};

} // namespace

TEST_F(FlacStreamFailures, ReadFailureIsLoggedAndStopsTheDecoder) {
    encodeWithFlac(wavFile("in.wav", 44100, 2, 16, 1.0), "in.flac", "");
    m_factory->fault = Fault{Operation::read, 3};
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
    m_factory->fault = Fault{};
    source->open();
    while (source->getNextAudioChunk())
        ++chunks;
    EXPECT_FALSE(source->getReadFailure());
    EXPECT_TRUE(source->isIntact());
    source->close();
}

TEST_F(FlacStreamFailures, TheFormatStatusKeepsTheFirstFailureUntilTheNextOpen) {
    const Bytes silence(44100 * 2, 0);
    auto text = [](const P<tamu::IString>& line) {
        return line ? tamu::stringConv::toStdString(*line) : std::string("(none)");
    };

    P<orxa::flac::CFLACFormat> seeking = failingFormat(Operation::seek);
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
    P<orxa::flac::CFLACFormat> telling = failingFormat(Operation::tell);
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
    for (Operation failing : {Operation::seek, Operation::tell}) {
        m_factory->fault = Fault{failing};
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
