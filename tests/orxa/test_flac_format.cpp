#include "flacTestSupport.h"

#include <sys/resource.h>

#include <csignal>

using namespace flactest;
using orxa::common::COrxaError;
using tamu::P;

namespace {

Bytes makePcm(const PcmLayout& layout, int frames) {
    return sinePcm(layout.rate, layout.channels, 8 * layout.bytes, frames);
}

class FlacFormat : public FlacTest {
protected:
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
        check("flac -s -t " + path);
        EXPECT_EQ(metaflacNumber(path, "total-samples"), frames);
        std::string md5 = check("metaflac --show-md5sum " + path);
        EXPECT_EQ(md5.size(), 33u);
        EXPECT_NE(md5, std::string(32, '0') + "\n");
    }
};

class FlacEncodeMatrix : public FlacFormat, public ::testing::WithParamInterface<PcmLayout> {};

} // namespace

// What a host writes comes back from flac's own decoder byte for byte, in a file that flac
// accepts and whose STREAMINFO was rewritten at the end.
TEST_P(FlacEncodeMatrix, FlacDecodesExactlyWhatWasWritten) {
    const PcmLayout layout = GetParam();
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
                         ::testing::Values(PcmLayout{44100, 2, 2}, PcmLayout{44100, 1, 2},
                                           PcmLayout{48000, 2, 1}, PcmLayout{22050, 1, 1},
                                           PcmLayout{96000, 2, 3}, PcmLayout{8000, 1, 3},
                                           PcmLayout{32000, 2, 4}),
                         [](const auto& info) { return layoutName(info.param); });

// Dropped without close, a format still finishes its file; opened again after close, it
// writes a second complete file in place of the first.
TEST_F(FlacFormat, DroppedOrReopenedFormatsFinishTheirFiles) {
    const Bytes pcm = makePcm({44100, 2, 2}, 10000);
    std::string dropped = pathOf("dropped.flac");
    {
        P<orxa::common::IAudioFormat> format = this->format(dropped, 44100, 2, 2);
        format->open();
        writeAll(*format, pcm, 4);
    }
    expectRewrittenStreamInfo(dropped, 10000);
    EXPECT_TRUE(flacDecoded(dropped) == pcm);

    std::string again = pathOf("again.flac");
    P<orxa::common::IAudioFormat> format = this->format(again, 22050, 1, 2);
    for (int frames : {5000, 7000}) {
        format->open();
        ASSERT_TRUE(format->isOpen());
        writeAll(*format, makePcm({22050, 1, 2}, frames), 2);
        format->close();
    }
    expectRewrittenStreamInfo(again, 7000);
    EXPECT_TRUE(flacDecoded(again) == makePcm({22050, 1, 2}, 7000));
}

TEST_F(FlacFormat, RefusesChunksUnlessOpenAndOpensOnlyWhatItCanWrite) {
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

    // No reading of 5-byte samples: the encoder does not start and no file is made.
    P<orxa::common::IAudioFormat> five = this->format(pathOf("five.flac"), 44100, 2, 5);
    five->open();
    EXPECT_FALSE(five->isOpen());
    EXPECT_EQ(countLines(2, "CFLACFormat: error starting encoder ("), 1);
    EXPECT_FALSE(std::filesystem::exists(pathOf("five.flac")));
}

TEST_F(FlacFormat, FullDiskIsLoggedAndThrown) {
    const Bytes pcm = makePcm({44100, 2, 2}, 44100);

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
