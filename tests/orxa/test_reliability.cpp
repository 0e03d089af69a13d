// What a host relies on beyond one clean pass: a source read again gives the same audio, and
// many threads decoding and encoding through one plug-in object get what one thread gets.
#include "flacTestSupport.h"

#include "orxa/common/IStreamIntegrity.h"

#include <thread>

using namespace flactest;
using tamu::P;

namespace {

class Reliability : public FlacTest {};

} // namespace

// A source that reached its end and is opened again starts over: the same chunks, the same
// times, and a fresh integrity report.
TEST_F(Reliability, ASourceOpenedAgainAfterItsEndDeliversTheSameChunks) {
    const std::string flac =
        encodeWithFlac(wavFile("in.wav", 44100, 2, 16, 0.5), "in.flac", "--blocksize=1024");
    for (int rate : {44100, 48000}) {
        SCOPED_TRACE(rate);
        P<orxa::common::IAudioSource> source = this->source(flac, rate, 2, 2);
        source->open();
        const Decoded first = decodeAll(*source);
        EXPECT_TRUE(source->isAtEnd());
        source->close();
        source->open();
        EXPECT_FALSE(source->isAtEnd());
        const Decoded second = decodeAll(*source);
        EXPECT_EQ(second.pcm, first.pcm);
        EXPECT_EQ(second.chunkTimes, first.chunkTimes);
        auto* report = tamu::interfaceCast<orxa::common::IStreamIntegrity>(source.get(), false);
        EXPECT_EQ(report->getDecodedSamples(), metaflacNumber(flac, "total-samples"));
        EXPECT_TRUE(report->isIntact());
        source->close();
    }
}

// Eight threads share the plug-in object, the host's memory manager and its log; each decodes
// (with a conversion for half of them) and encodes files of its own, and gets exactly what the
// same work gives on one thread.
TEST_F(Reliability, ConcurrentDecodingAndEncodingMatchTheSingleThreadedResult) {
    const std::string flac =
        encodeWithFlac(wavFile("in.wav", 44100, 2, 16, 0.6), "in.flac", "--blocksize=2048");
    const auto work = [&](int index) {
        const int rate = index % 2 ? 48000 : 44100;
        P<orxa::common::IAudioSource> source = this->source(flac, rate, 2, 2);
        source->open();
        Decoded decoded = decodeAll(*source);
        source->close();
        const std::string out = pathOf("out" + std::to_string(index) + ".flac");
        P<orxa::common::IAudioFormat> format = this->format(out, rate, 2, 2);
        format->open();
        for (size_t at = 0; at < decoded.pcm.size(); at += 16384)
            format->writeAudioChunk(
                chunkOf(decoded.pcm.data() + at, std::min<size_t>(16384, decoded.pcm.size() - at)));
        format->close();
        return std::make_pair(decoded.pcm, readBytes(out));
    };
    const auto single44 = work(100), single48 = work(101);
    std::vector<std::pair<Bytes, Bytes>> results(8);
    std::vector<std::thread> threads;
    for (int i = 0; i < 8; ++i)
        threads.emplace_back([&, i] { results[static_cast<size_t>(i)] = work(i); });
    for (std::thread& thread : threads)
        thread.join();
    for (int i = 0; i < 8; ++i) {
        SCOPED_TRACE(i);
        const auto& expected = i % 2 ? single48 : single44;
        EXPECT_EQ(results[static_cast<size_t>(i)].first, expected.first);
        EXPECT_EQ(results[static_cast<size_t>(i)].second, expected.second);
    }
}

// Whatever way a source or a format ends (refused at open, failing in the middle, closed by its
// destructor), it gives its file descriptor back.
TEST_F(Reliability, FailedAndAbandonedWorkLeavesNoDescriptorOpen) {
    const std::string flac =
        encodeWithFlac(wavFile("in.wav", 44100, 2, 16, 0.3), "in.flac", "--blocksize=1024");
    Bytes cut = readBytes(flac);
    cut.resize(cut.size() / 2);
    cut[cut.size() - 40] ^= 0xFF;
    writeBytes(pathOf("cut.flac"), cut);
    writeBytes(pathOf("text.flac"), Bytes(100, 'x'));
    const int before = openDescriptors();
    for (int round = 0; round < 3; ++round) {
        {
            P<orxa::common::IAudioSource> source = this->source(pathOf("text.flac"), 44100, 2, 2);
            EXPECT_THROW(source->open(), orxa::common::COrxaError);
        }
        {
            P<orxa::common::IAudioSource> source = this->source(pathOf("cut.flac"), 48000, 2, 2);
            source->open();
            try {
                decodeAll(*source);
            } catch (const orxa::common::COrxaError&) {
            }
            // Dropped without close: the destructor closes.
        }
        {
            P<orxa::common::IAudioSource> source = this->source(flac, 44100, 2, 2);
            source->open();
            source->getNextAudioChunk();
            source->close();
            source->open();
        }
        {
            P<orxa::common::IAudioFormat> bad = this->format(pathOf("bad.flac"), 44100, 2, 7);
            bad->open();
            EXPECT_FALSE(bad->isOpen());
            P<orxa::common::IAudioFormat> dropped = this->format(pathOf("out.flac"), 44100, 2, 2);
            dropped->open();
            const Bytes pcm(4000, 1);
            dropped->writeAudioChunk(chunkOf(pcm.data(), pcm.size()));
        }
    }
    EXPECT_EQ(openDescriptors(), before);
}
