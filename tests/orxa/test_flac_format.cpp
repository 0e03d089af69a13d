#include "flacTestSupport.h"

#include "orxa/audio/CAudioChunk.h"
#include "tamu/IMemoryBlock.h"

#include <sys/resource.h>

#include <csignal>

using namespace flactest;
using orxa::common::COrxaError;
using tamu::P;

namespace {

struct Layout {
    int rate;
    int channels;
    int bytes;
};

// Deterministic PCM in this system's layout: a sine per channel and some noise, full scale.
Bytes makePcm(const Layout& layout, int frames) {
    Bytes pcm;
    uint32_t noise = 99;
    const double peak = std::ldexp(1.0, 8 * layout.bytes - 1) - 1.0;
    for (int i = 0; i < frames; ++i)
        for (int c = 0; c < layout.channels; ++c) {
            noise = noise * 1664525u + 1013904223u;
            double wave = 0.8 * std::sin(2.0 * M_PI * 330.0 * (c + 1) * i / layout.rate) +
                          0.1 * (static_cast<double>(noise >> 8) / (1 << 24) - 0.5);
            auto sample = static_cast<int64_t>(std::lround(wave * peak));
            putLE(pcm, static_cast<uint64_t>(layout.bytes == 1 ? sample + 128 : sample),
                  layout.bytes);
        }
    return pcm;
}

class FlacFormat : public FlacTest {
protected:
    P<orxa::audio::IAudioChunk> chunkOf(const uint8_t* data, size_t size) {
        P<tamu::IMemoryBlock> block = m_memory->allocate(static_cast<int32_t>(size));
        std::copy(data, data + size, block->getData());
        return tamu::make<orxa::audio::CAudioChunk>(0.0, block.get());
    }

    // Hands the PCM over in chunks of uneven sizes, none of them a multiple of the block size.
    void writeAll(orxa::common::IAudioFormat& format, const Bytes& pcm, int frameBytes) {
        const size_t sizes[] = {1000, 4410, 77, 9000};
        size_t at = 0;
        for (int i = 0; at < pcm.size(); ++i) {
            size_t size = std::min(sizes[i % 4] * static_cast<size_t>(frameBytes), pcm.size() - at);
            format.writeAudioChunk(chunkOf(pcm.data() + at, size));
            at += size;
        }
    }

    void expectRewrittenStreamInfo(const std::string& path, int64_t frames) const {
        EXPECT_EQ(run("flac -s -t " + path), 0) << "flac -t refuses " << path;
        EXPECT_EQ(metaflacNumber(path, "total-samples"), frames);
        std::string md5 = output("metaflac --show-md5sum " + path);
        EXPECT_EQ(md5.size(), 32u);
        EXPECT_NE(md5, std::string(32, '0'));
    }
};

class FlacEncodeMatrix : public FlacFormat, public ::testing::WithParamInterface<Layout> {};

} // namespace

// What a host writes comes back from flac's own decoder byte for byte, in a file that flac
// accepts and whose STREAMINFO was rewritten at the end.
TEST_P(FlacEncodeMatrix, FlacDecodesExactlyWhatWasWritten) {
    const Layout layout = GetParam();
    const int frames = layout.rate / 3 + 123;
    const Bytes pcm = makePcm(layout, frames);
    std::string path = pathOf("out.flac");
    P<orxa::common::IAudioFormat> format =
        this->format(path, layout.rate, layout.channels, layout.bytes);
    format->open();
    ASSERT_TRUE(format->isOpen());
    writeAll(*format, pcm, layout.channels * layout.bytes);
    format->close();
    EXPECT_FALSE(format->isOpen());
    EXPECT_EQ(countLines(2, "CFLACFormat: trying to open "), 1);
    EXPECT_EQ(m_log->lines().size(), 1u);

    expectRewrittenStreamInfo(path, frames);
    EXPECT_EQ(metaflacNumber(path, "bps"), 8 * layout.bytes);
    EXPECT_EQ(metaflacNumber(path, "channels"), layout.channels);
    EXPECT_EQ(metaflacNumber(path, "sample-rate"), layout.rate);
    EXPECT_EQ(metaflacNumber(path, "max-blocksize"), 4608);
    EXPECT_TRUE(flacDecoded(path) == pcm) << "flac -d gives other PCM";
}

INSTANTIATE_TEST_SUITE_P(Layouts, FlacEncodeMatrix,
                         ::testing::Values(Layout{44100, 2, 2}, Layout{44100, 1, 2},
                                           Layout{48000, 2, 1}, Layout{22050, 1, 1},
                                           Layout{96000, 2, 3}, Layout{8000, 1, 3},
                                           Layout{32000, 2, 4}),
                         [](const auto& info) {
                             return std::to_string(info.param.rate) + "Hz_" +
                                    std::to_string(info.param.channels) + "ch_" +
                                    std::to_string(info.param.bytes) + "bytes";
                         });

TEST_F(FlacFormat, DecodesThroughTheSourceAsWritten) {
    const Layout layout{44100, 2, 2};
    const Bytes pcm = makePcm(layout, 20000);
    std::string path = pathOf("round.flac");
    P<orxa::common::IAudioFormat> format = this->format(path, 44100, 2, 2);
    format->open();
    writeAll(*format, pcm, 4);
    format->close();

    P<orxa::common::IAudioSource> source = this->source(path, 44100, 2, 2);
    source->open();
    Decoded decoded = decodeAll(*source);
    EXPECT_TRUE(decoded.pcm == pcm);
    EXPECT_EQ(decoded.chunkSizes.front(), 4608 * 4);
}

TEST_F(FlacFormat, DroppedWithoutCloseStillFinishesTheFile) {
    const Layout layout{44100, 2, 2};
    const Bytes pcm = makePcm(layout, 10000);
    std::string path = pathOf("dropped.flac");
    {
        P<orxa::common::IAudioFormat> format = this->format(path, 44100, 2, 2);
        format->open();
        writeAll(*format, pcm, 4);
    }
    expectRewrittenStreamInfo(path, 10000);
    EXPECT_TRUE(flacDecoded(path) == pcm);
}

TEST_F(FlacFormat, ReopenedAfterCloseWritesASecondCompleteFile) {
    const Layout layout{22050, 1, 2};
    std::string path = pathOf("again.flac");
    P<orxa::common::IAudioFormat> format = this->format(path, 22050, 1, 2);
    format->open();
    writeAll(*format, makePcm(layout, 5000), 2);
    format->close();
    const Bytes second = makePcm(layout, 7000);
    format->open();
    ASSERT_TRUE(format->isOpen());
    writeAll(*format, second, 2);
    format->close();
    expectRewrittenStreamInfo(path, 7000);
    EXPECT_TRUE(flacDecoded(path) == second);
}

TEST_F(FlacFormat, RefusesChunksWhenNotOpen) {
    P<orxa::common::IAudioFormat> format = this->format(pathOf("x.flac"), 44100, 2, 2);
    const Bytes pcm(400, 0);
    try {
        format->writeAudioChunk(chunkOf(pcm.data(), pcm.size()));
        FAIL() << "a chunk was taken before open";
    } catch (const COrxaError& e) {
        EXPECT_EQ(tamu::stringConv::toStdString(*e.getMessage()), "error during FLAC encoding");
    }
    // Closing a format that never opened does nothing.
    format->close();
    EXPECT_TRUE(m_log->lines().empty());

    // A folder that does not exist: the failure is logged, open returns, the format is shut.
    P<orxa::common::IAudioFormat> lost = this->format(pathOf("no/such/x.flac"), 44100, 2, 2);
    lost->open();
    EXPECT_FALSE(lost->isOpen());
    EXPECT_EQ(countLines(2, "CFLACFormat: error creating output stream ("), 1);
    EXPECT_THROW(lost->writeAudioChunk(chunkOf(pcm.data(), pcm.size())), COrxaError);
}

TEST_F(FlacFormat, SampleSizesWithoutAReadingLeaveTheFormatShut) {
    P<orxa::common::IAudioFormat> format = this->format(pathOf("five.flac"), 44100, 2, 5);
    format->open();
    EXPECT_FALSE(format->isOpen());
    EXPECT_EQ(countLines(2, "CFLACFormat: error starting encoder ("), 1);
    EXPECT_FALSE(std::filesystem::exists(pathOf("five.flac")));
}

TEST_F(FlacFormat, FullDiskIsLoggedAndThrown) {
    const Layout layout{44100, 2, 2};
    const Bytes pcm = makePcm(layout, 44100);

    // The disk stream cannot truncate a device, so /dev/full fails at open: logged, shut.
    if (std::filesystem::exists("/dev/full")) {
        P<orxa::common::IAudioFormat> device = this->format("/dev/full", 44100, 2, 2);
        device->open();
        EXPECT_FALSE(device->isOpen());
        EXPECT_EQ(countLines(2, "CFLACFormat: error creating output stream (/dev/full)"), 1);
        EXPECT_THROW(writeAll(*device, pcm, 4), COrxaError);
    }

    // A file size limit fails writes past it as a full disk does (EFBIG instead of ENOSPC).
    std::string path = pathOf("full.flac");
    P<orxa::common::IAudioFormat> format = this->format(path, 44100, 2, 2);
    format->open();
    ASSERT_TRUE(format->isOpen());
    struct sigaction ignore {};
    struct sigaction previousAction {};
    ignore.sa_handler = SIG_IGN;
    sigaction(SIGXFSZ, &ignore, &previousAction);
    rlimit previousLimit{};
    getrlimit(RLIMIT_FSIZE, &previousLimit);
    rlimit limit = previousLimit;
    limit.rlim_cur = 20000;
    setrlimit(RLIMIT_FSIZE, &limit);
    bool thrown = false;
    try {
        writeAll(*format, pcm, 4);
    } catch (const COrxaError& e) {
        thrown = true;
        EXPECT_EQ(tamu::stringConv::toStdString(*e.getMessage()), "error during FLAC encoding");
    }
    EXPECT_NO_THROW(format->close());

    // Audio still buffered in the encoder meets the full disk only when close finishes the
    // file: logged the same way, and close does not throw.
    std::string late = pathOf("late.flac");
    P<orxa::common::IAudioFormat> buffered = this->format(late, 44100, 2, 2);
    buffered->open();
    limit.rlim_cur = 100;
    setrlimit(RLIMIT_FSIZE, &limit);
    buffered->writeAudioChunk(chunkOf(pcm.data(), 1000 * 4));
    EXPECT_NO_THROW(buffered->close());
    EXPECT_FALSE(buffered->isOpen());

    setrlimit(RLIMIT_FSIZE, &previousLimit);
    sigaction(SIGXFSZ, &previousAction, nullptr);
    EXPECT_EQ(countLines(2, "CFLACFormat: error process interleaved (" + late + ")"), 1);

    EXPECT_TRUE(thrown);
    EXPECT_EQ(countLines(2, "CFLACFormat: writeHandler " + path), 1);
    EXPECT_EQ(countLines(2, "CFLACFormat: error process interleaved (" + path + ")"), 1);
    EXPECT_FALSE(format->isOpen());
}

TEST_F(FlacFormat, EstimatesSizeFromTypicalBitRates) {
    EXPECT_EQ(format(pathOf("a.flac"), 44100, 2, 2)->estimateSize(10.0), 981250);
    EXPECT_EQ(format(pathOf("a.flac"), 48000, 1, 2)->estimateSize(1.0), 53750);
    EXPECT_EQ(format(pathOf("a.flac"), 96000, 1, 2)->estimateSize(1.0), 100000);
    EXPECT_EQ(format(pathOf("a.flac"), 96000, 6, 2)->estimateSize(1.0), 100000);
    EXPECT_EQ(format(pathOf("a.flac"), 22050, 2, 2)->estimateSize(2.9), 2 * 58125);
    EXPECT_EQ(format(pathOf("a.flac"), 16000, 1, 2)->estimateSize(4.0), 4 * 22500);
    EXPECT_EQ(format(pathOf("a.flac"), 32000, 3, 2)->estimateSize(1.0), 77500);
}
