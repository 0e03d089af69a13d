// Streams that fail under the workers' feet, one case per operation and failing call: the
// source and the format must end in the right audio or in a clear error (logged, libFLAC told,
// COrxaError to the host), and whichever way they end, every file descriptor and every block
// of the host's memory manager comes back.
#include "countingMemory.h"
#include "faultyStreams.h"
#include "flacTestSupport.h"
#include "hostToolTest.h"

#include "orxa/common/IFormatStatus.h"
#include "orxa/flac/CFLACFormat.h"
#include "orxa/flac/CFLACSource.h"

using namespace flactest;
using faulty::Fault;
using faulty::Operation;
using orxa::common::COrxaError;
using tamu::P;

namespace {

class FaultInjection : public FlacTest {
protected:
    void SetUp() override {
        FlacTest::SetUp();
        m_counting = tamu::make<countingmemory::CCountingMemoryManager>();
        m_memory = m_counting;
        m_host = tamu::make<testhost::CTestPluginHost>(m_log, m_memory);
        m_factory = tamu::make<faulty::CFaultyStreamFactory>(pathOf(""));
        tamu::getStreamManager()->addFactory(m_factory.get());
    }
    void TearDown() override {
        tamu::getStreamManager()->removeFactory(m_factory.get());
        FlacTest::TearDown();
    }

    enum class Stage { open, decoding, skipping, done };

    struct Run {
        Stage stage = Stage::open;
        std::string error;
        Bytes pcm;
        bool intact = false;
        std::string readFailure;
    };

    // Decodes failing:in.flac behind `fault` to the end or to the error; with `skip` >= 0 the
    // first chunk is taken, then the source skips there.
    Run decode(const Fault& fault, int rate, double skip) {
        m_factory->fault = fault;
        Run run;
        auto source = tamu::make<orxa::flac::CFLACSource>(
            m_host.get(), tamu::str("orxa_flac"), tamu::str("failing:in.flac"), rate, 2, 2);
        try {
            source->open();
            run.stage = Stage::decoding;
            if (skip >= 0.0) {
                P<orxa::audio::IAudioChunk> first = source->getNextAudioChunk();
                run.pcm.assign(first->getData(), first->getData() + first->getSize());
                run.stage = Stage::skipping;
                source->skipTo(skip);
                run.stage = Stage::decoding;
            }
            const Decoded rest = decodeAll(*source);
            run.pcm.insert(run.pcm.end(), rest.pcm.begin(), rest.pcm.end());
            run.stage = Stage::done;
        } catch (const COrxaError& e) {
            run.error = tamu::stringConv::toStdString(*e.getMessage());
        }
        if (run.stage != Stage::open) {
            run.intact = source->isIntact();
            if (P<tamu::IString> failure = source->getReadFailure())
                run.readFailure = tamu::stringConv::toStdString(*failure);
        }
        EXPECT_NO_THROW(source->close());
        return run;
    }

    P<orxa::flac::CFLACFormat> failingFormat(Operation operation) {
        m_factory->fault = Fault{operation};
        return tamu::make<orxa::flac::CFLACFormat>(m_host.get(), tamu::str("orxa_flac"),
                                                   tamu::str("failing:out.flac"), 44100, 1, 2);
    }

    P<countingmemory::CCountingMemoryManager> m_counting;
    P<faulty::CFaultyStreamFactory> m_factory;
};

const char* const readLine = "CFLACSource: trying to read (the medium went away)";

} // namespace

TEST_F(FaultInjection, TheSourceEndsInTheRightAudioOrInAClearError) {
    encodeWithFlac(wavFile("in.wav", 44100, 2, 16, 1.0), "in.flac", "--blocksize=4096");
    enum Expect { sameAudio, failsAtOpen, failsDecoding, failsSkipping };
    const struct {
        const char* name;
        Fault fault;
        int rate;
        double skip;
        Expect expect;
        const char* error;   // part of the COrxaError's text
        const char* logLine; // a progress line each failed read leaves
        int reads = 1;       // reads that fail and are logged
    } cases[] = {
        {"the first read", {Operation::read, 1}, 44100, -1, failsAtOpen,
         "CFLACSource::open() - failed to read metadata in failing:in.flac", readLine},
        {"a read in the audio", {Operation::read, 3}, 44100, -1, failsDecoding,
         "decoder stopped (FLAC__STREAM_DECODER_ABORTED) in failing:in.flac", readLine},
        {"a read in the audio, converted", {Operation::read, 3}, 48000, -1, failsDecoding,
         "decoder stopped (FLAC__STREAM_DECODER_ABORTED)", readLine},
        // libFLAC gives up on an aborted read, even when the stream would answer again.
        {"one read in the audio", {Operation::read, 3, true}, 44100, -1, failsDecoding,
         "decoder stopped (FLAC__STREAM_DECODER_ABORTED)", readLine},
        // The search fails, and so does decoding from the start that follows it.
        {"a read while skipping", {Operation::read, 4}, 44100, 0.8, failsSkipping,
         "FLAC__STREAM_DECODER_ABORTED", readLine, 2},
        {"reads of one byte", {Operation::none, 1, false, 1}, 44100, -1, sameAudio, "", nullptr},
        {"reads of seven bytes, converted, skipping", {Operation::none, 1, false, 7}, 48000, 0.5,
         sameAudio, "", nullptr},
        // The stream answers that it cannot seek: decoded forward to the place asked for.
        {"every seek", {Operation::seek, 1}, 44100, 0.5, sameAudio, "", nullptr},
        {"every seek, converted", {Operation::seek, 1}, 48000, 0.5, sameAudio, "", nullptr},
        // libFLAC's search fails; decoding starts over from the beginning instead.
        {"the seek of the search", {Operation::seek, 2, true}, 44100, 0.5, sameAudio, "", nullptr},
        {"the search and every seek after it", {Operation::seek, 2}, 44100, 0.5, failsSkipping,
         "CFLACSource::skipTo() - failed to return to the start of failing:in.flac", nullptr},
        {"every tell", {Operation::tell, 1}, 44100, 0.5, sameAudio, "", nullptr},
        {"the tells of the search", {Operation::tell, 2}, 44100, 0.5, sameAudio, "", nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const Run expected = decode(Fault{}, c.rate, c.skip);
        ASSERT_EQ(expected.stage, Stage::done) << expected.error;
        const int descriptors = openDescriptors();
        const int before = countLines(2, readLine);

        const Run run = decode(c.fault, c.rate, c.skip);
        if (c.expect == sameAudio) {
            EXPECT_EQ(run.stage, Stage::done) << run.error;
            EXPECT_TRUE(run.pcm == expected.pcm);
            EXPECT_EQ(run.intact, expected.intact);
        } else {
            EXPECT_EQ(run.stage, c.expect == failsAtOpen     ? Stage::open
                                 : c.expect == failsSkipping ? Stage::skipping
                                                             : Stage::decoding);
            EXPECT_NE(run.error.find(c.error), std::string::npos) << run.error;
            EXPECT_FALSE(run.intact);
            EXPECT_LT(run.pcm.size(), expected.pcm.size());
        }
        if (c.logLine) {
            EXPECT_EQ(countLines(2, c.logLine), before + c.reads);
            if (c.expect != failsAtOpen) {
                EXPECT_EQ(run.readFailure, c.logLine);
            }
        } else {
            EXPECT_EQ(countLines(2, readLine), before);
            EXPECT_EQ(run.readFailure, "");
        }
        EXPECT_EQ(openDescriptors(), descriptors);
        EXPECT_EQ(m_counting->outstanding(), 0);
    }
    EXPECT_GT(m_counting->handedOut(), 0);
}

TEST_F(FaultInjection, TheFormatTellsTheHostThatItsFileIsIncomplete) {
    const Bytes pcm = sinePcm(44100, 2, 16, 44100);
    const std::string location = "failing:out.flac";
    enum Expect { complete, refusesAudio, failsAtClose };
    const struct {
        const char* name;
        Fault fault;
        size_t frames; // written in chunks of at most a second
        Expect expect;
        const char* failure; // what the format's status keeps; logged as well
        const char* also;    // another line the failure logs, or nullptr
    } cases[] = {
        {"nothing", {}, 44100, complete, nullptr, nullptr},
        // The stream marker, written when the encoder starts.
        {"the first write", {Operation::write, 1}, 44100, refusesAudio,
         "CFLACFormat: writeHandler failing:out.flac", "CFLACFormat: error init stream"},
        {"a write in the audio", {Operation::write, 6}, 44100, refusesAudio,
         "CFLACFormat: writeHandler failing:out.flac", "CFLACFormat: error process interleaved"},
        {"one write in the audio", {Operation::write, 6, true}, 44100, refusesAudio,
         "CFLACFormat: writeHandler failing:out.flac", "CFLACFormat: error process interleaved"},
        // Less than a block: the only frame is written when the encoder is finished.
        {"the write of the last frame", {Operation::write, 4}, 1000, failsAtClose,
         "CFLACFormat: writeHandler failing:out.flac", "CFLACFormat: error process interleaved"},
        {"the seek back to STREAMINFO", {Operation::seek, 1}, 44100, failsAtClose,
         "CFLACFormat: seekHandler failing:out.flac\ncannot seek here", nullptr},
        {"the first tell", {Operation::tell, 1}, 44100, refusesAudio,
         "CFLACFormat: tellHandler failing:out.flac", "CFLACFormat: error init stream"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const int descriptors = openDescriptors();
        const int failures = c.failure ? countLines(2, c.failure) : 0;
        m_factory->fault = c.fault;
        {
            auto format = tamu::make<orxa::flac::CFLACFormat>(
                m_host.get(), tamu::str("orxa_flac"), tamu::stringConv::fromStd(location), 44100,
                2, 2);
            format->open();
            EXPECT_TRUE(format->isOpen());
            int refused = 0;
            const size_t bytes = c.frames * 4;
            for (size_t at = 0; at < bytes; at += 44100 * 4) {
                try {
                    format->writeAudioChunk(
                        chunkOf(pcm.data() + at, std::min<size_t>(44100 * 4, bytes - at)));
                } catch (const COrxaError& e) {
                    EXPECT_EQ(tamu::stringConv::toStdString(*e.getMessage()),
                              "error during FLAC encoding");
                    ++refused;
                }
            }
            EXPECT_EQ(refused, c.expect == refusesAudio ? 1 : 0);
            EXPECT_NO_THROW(format->close());
            auto* status = tamu::interfaceCast<orxa::common::IFormatStatus>(format.get(), false);
            ASSERT_TRUE(status);
            EXPECT_EQ(status->hasFailed(), c.expect != complete);
            if (c.failure) {
                ASSERT_TRUE(status->getFailure());
                EXPECT_EQ(tamu::stringConv::toStdString(*status->getFailure()), c.failure);
                EXPECT_EQ(countLines(2, c.failure), failures + 1);
                // Whatever the line shows, the host can still tell the user why.
                ASSERT_TRUE(status->getFailureReason());
                EXPECT_EQ(tamu::stringConv::toStdString(*status->getFailureReason()),
                          faulty::failureText(c.fault.operation));
            } else {
                EXPECT_FALSE(status->getFailureReason());
            }
            if (c.also) {
                EXPECT_GE(countLines(2, c.also), 1);
            }
            // Of the handlers, only the seek handler's line carries the stream's own message.
            if (c.fault.operation == Operation::write || c.fault.operation == Operation::tell) {
                EXPECT_EQ(countLines(2, faulty::failureText(c.fault.operation)), 0);
            }
        }
        if (c.expect == complete) {
            EXPECT_TRUE(flacDecoded(pathOf("out.flac")) == pcm);
        }
        EXPECT_EQ(openDescriptors(), descriptors);
        EXPECT_EQ(m_counting->outstanding(), 0);
    }
}

TEST_F(FaultInjection, ReadFailureIsLoggedAndStopsTheDecoder) {
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
    EXPECT_EQ(countLines(2, readLine), 1);
    // The report names the stream's reason, which the decoder's error cannot.
    ASSERT_TRUE(source->getReadFailure());
    EXPECT_EQ(tamu::stringConv::toStdString(*source->getReadFailure()), readLine);
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

TEST_F(FaultInjection, TheFormatStatusKeepsTheFirstFailureUntilTheNextOpen) {
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
TEST_F(FaultInjection, SkipOnAStreamThatCannotSeekDecodesForwardToTheSample) {
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

namespace {

class FaultInjectionTool : public toolrunner::HostToolTest {};

} // namespace

// The tool's jobs fail midway: a file size limit in the output's folder, a full device whose
// FLAC is finished in a temporary file first, an input that ends early. Each fails with its
// reason and leaves no output and no temporary file behind.
TEST_F(FaultInjectionTool, AFailedJobLeavesNoOutputAndNoTemporaryFile) {
    const std::string sample = toolrunner::quote(ORXA_SOURCE_DIR "/samples/orxa-demo.flac");
    ASSERT_EQ(dir.run(limitedHost() + " -q decode " + sample + " -o in.wav").status, 0);
    ASSERT_EQ(dir.run("head -c 300000 in.wav > short.wav").status, 0);
    std::filesystem::create_directory(dir / "tmp");
    // About 100 KB: the outputs fail part of the way through.
    const std::string limited = "trap '' XFSZ; ulimit -f 200; ";
    const std::string tmp = "TMPDIR=" + toolrunner::quote((dir / "tmp").string()) + " ";
    const struct {
        std::string before, arguments, reason;
    } cases[] = {
        {limited, "decode -d out " + sample, "File too large"},
        {limited, "decode -t raw -d out " + sample, "File too large"},
        {limited, "transcode -d out " + sample, "error during FLAC encoding: File too large"},
        {limited, "encode -d out in.wav", "error during FLAC encoding: File too large"},
        {tmp, "encode in.wav -o /dev/full", "No space left on device"},
        {tmp, "transcode " + sample + " -o /dev/full", "No space left on device"},
        {"head -c 200000 " + sample + " | ", "decode - -o out/cut.wav", "truncated"},
        {"", "encode -d out short.wav", "short.wav"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.arguments);
        std::filesystem::create_directory(dir / "out");
        const toolrunner::Result result = dir.run(c.before + limitedHost() + " " + c.arguments);
        EXPECT_EQ(result.status, 1);
        EXPECT_NE(result.err.find(c.reason), std::string::npos) << result.err;
        EXPECT_EQ(dir.list("out"), std::vector<std::string>{});
        EXPECT_EQ(dir.list("tmp"), std::vector<std::string>{});
        std::filesystem::remove_all(dir / "out");
    }
    EXPECT_EQ(dir.list(), (std::vector<std::string>{"in.wav", "short.wav", "tmp"}));
}
