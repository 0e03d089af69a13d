#include "flacTestSupport.h"

#include "orxa/common/IAudioStreamInfo.h"
#include "tamu/IConstArray.h"
#include "tamu/IString.h"

#include <algorithm>

using namespace flactest;
using orxa::common::COrxaEOFError;
using orxa::common::COrxaError;
using tamu::P;

namespace {

struct Layout {
    int rate;
    int channels;
    int bits;
    int blockSize;
    double seconds;
};

std::string nameOf(const Layout& layout) {
    std::ostringstream name;
    name << layout.rate << "Hz_" << layout.channels << "ch_" << layout.bits << "bit_block"
         << layout.blockSize;
    return name.str();
}

class FlacDecodeMatrix : public FlacTest, public ::testing::WithParamInterface<Layout> {};

} // namespace

// Decoded through the plug-in with the file's own layout, every file gives exactly flac's own
// PCM (first two channels), one chunk per frame, and then the end in its three steps.
TEST_P(FlacDecodeMatrix, DecodesExactlyWhatFlacDecodes) {
    const Layout layout = GetParam();
    std::string wav;
    if (layout.bits % 8 == 0)
        wav = soxWav("in.wav", layout.rate, layout.channels, layout.bits, layout.seconds);
    else {
        wav = pathOf("in.wav");
        writeExtensibleWav(wav, layout.rate, layout.channels, layout.bits,
                           static_cast<int>(layout.rate * layout.seconds));
    }
    std::string flac =
        encodeWithFlac(wav, "in.flac", "--blocksize=" + std::to_string(layout.blockSize));
    const int64_t total = metaflacNumber(flac, "total-samples");
    ASSERT_GT(total, 0);
    ASSERT_EQ(metaflacNumber(flac, "bps"), layout.bits);
    const int bytes = (layout.bits + 7) / 8;
    const Bytes expected = firstTwoChannels(flacDecoded(flac), layout.channels, bytes);

    const int kept = std::min(layout.channels, 2);
    P<orxa::common::IAudioSource> source = this->source(flac, layout.rate, kept, bytes);
    ASSERT_TRUE(source);
    source->open();
    EXPECT_DOUBLE_EQ(source->getDuration(), static_cast<double>(total) / layout.rate);

    auto* info = tamu::interfaceCast<orxa::common::IAudioStreamInfo>(source.get(), false);
    ASSERT_NE(info, nullptr);
    EXPECT_EQ(info->getStreamSampleRate(), layout.rate);
    EXPECT_EQ(info->getStreamChannels(), layout.channels);
    EXPECT_EQ(info->getStreamBitsPerSample(), layout.bits);
    EXPECT_EQ(info->getStreamTotalSamples(), total);

    Decoded decoded = decodeAll(*source);
    EXPECT_EQ(decoded.pcm.size(), static_cast<size_t>(total) * kept * bytes);
    EXPECT_TRUE(decoded.pcm == expected) << "decoded PCM differs from flac -d";

    // One frame per chunk: every chunk but the last holds a whole block.
    ASSERT_FALSE(decoded.chunkSizes.empty());
    const int32_t frameBytes = layout.blockSize * kept * bytes;
    for (size_t i = 0; i + 1 < decoded.chunkSizes.size(); ++i)
        ASSERT_EQ(decoded.chunkSizes[i], frameBytes) << "chunk " << i;
    EXPECT_LE(decoded.chunkSizes.back(), frameBytes);
    EXPECT_DOUBLE_EQ(decoded.chunkTimes.front(),
                     static_cast<double>(decoded.chunkSizes.front() / (kept * bytes)) /
                         layout.rate);

    EXPECT_TRUE(source->isAtEnd());
    EXPECT_THROW(source->getNextAudioChunk(), COrxaEOFError);
    EXPECT_THROW(source->getNextAudioChunk(), COrxaEOFError);
    source->close();
}

INSTANTIATE_TEST_SUITE_P(
    BlockSizes, FlacDecodeMatrix,
    ::testing::Values(Layout{44100, 2, 16, 16, 0.05}, Layout{44100, 2, 16, 192, 0.3},
                      Layout{44100, 2, 16, 725, 0.5}, Layout{44100, 2, 16, 4096, 0.5},
                      Layout{44100, 2, 16, 4608, 0.5}, Layout{44100, 2, 16, 16384, 0.8},
                      Layout{44100, 1, 16, 65535, 1.6}),
    [](const auto& info) { return nameOf(info.param); });

INSTANTIATE_TEST_SUITE_P(
    BitDepths, FlacDecodeMatrix,
    ::testing::Values(Layout{48000, 2, 8, 4096, 0.3}, Layout{48000, 2, 12, 4096, 0.3},
                      Layout{48000, 1, 20, 1152, 0.3}, Layout{48000, 2, 20, 4096, 0.3},
                      Layout{48000, 2, 24, 4096, 0.3}, Layout{48000, 2, 32, 4096, 0.3}),
    [](const auto& info) { return nameOf(info.param); });

INSTANTIATE_TEST_SUITE_P(Channels, FlacDecodeMatrix,
                         ::testing::Values(Layout{44100, 1, 16, 4096, 0.3},
                                           Layout{44100, 3, 16, 4096, 0.3},
                                           Layout{44100, 6, 24, 4096, 0.3},
                                           Layout{44100, 8, 16, 2048, 0.3},
                                           Layout{44100, 5, 12, 4096, 0.2}),
                         [](const auto& info) { return nameOf(info.param); });

INSTANTIATE_TEST_SUITE_P(Rates, FlacDecodeMatrix,
                         ::testing::Values(Layout{8000, 1, 16, 1152, 0.5},
                                           Layout{22050, 2, 16, 4096, 0.5},
                                           Layout{96000, 2, 24, 4096, 0.3},
                                           Layout{192000, 2, 24, 8192, 0.2},
                                           Layout{384000, 2, 16, 16384, 0.2}),
                         [](const auto& info) { return nameOf(info.param); });
