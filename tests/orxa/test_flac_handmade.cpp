#include "flacFrameWriter.h"
#include "flacTestSupport.h"

using namespace flactest;
using tamu::P;

namespace {

std::vector<std::vector<int32_t>> noise(int channels, int frames, int bits, uint32_t seed) {
    std::vector<std::vector<int32_t>> samples(static_cast<size_t>(channels));
    const int64_t low = -(int64_t{1} << (bits - 1));
    const uint64_t span = uint64_t{1} << bits;
    for (auto& channel : samples)
        for (int i = 0; i < frames; ++i) {
            seed = seed * 1664525u + 1013904223u;
            uint64_t wide = (static_cast<uint64_t>(seed) << 16) ^ (seed >> 7);
            channel.push_back(static_cast<int32_t>(low + static_cast<int64_t>(wide % span)));
        }
    return samples;
}

void appendPcm(Bytes& out, const std::vector<std::vector<int32_t>>& samples, int channels,
               int bytes, int shift) {
    for (size_t i = 0; i < samples[0].size(); ++i)
        for (int c = 0; c < channels; ++c) {
            int64_t value =
                c < static_cast<int>(samples.size()) ? samples[static_cast<size_t>(c)][i] : 0;
            value = shift >= 0 ? value * (int64_t{1} << shift) : value >> -shift;
            putLE(out, static_cast<uint64_t>(bytes == 1 ? value + 128 : value), bytes);
        }
}

class FlacHandmade : public FlacTest {};

} // namespace

// Block sizes change from frame to frame, from 16 to 65535 samples; each frame is one chunk.
TEST_F(FlacHandmade, VariableBlockSizesDecodeFrameByFrame) {
    const std::vector<int> blockSizes = {4096, 16, 1000, 65535, 17, 4608, 300};
    uint64_t total = 0;
    for (int size : blockSizes)
        total += static_cast<uint64_t>(size);
    FlacFileWriter writer(44100, 2, 16, 16, 65535, total);
    Bytes expected;
    uint64_t first = 0;
    for (size_t f = 0; f < blockSizes.size(); ++f) {
        auto samples = noise(2, blockSizes[f], 16, static_cast<uint32_t>(f + 1));
        writer.addFrame(first, samples, 16);
        appendPcm(expected, samples, 2, 2, 0);
        first += static_cast<uint64_t>(blockSizes[f]);
    }
    std::string path = pathOf("variable.flac");
    writeBytes(path, writer.bytes());
    ASSERT_TRUE(flacDecoded(path) == expected) << "the hand-made file is not what flac reads";

    P<orxa::common::IAudioSource> source = this->source(path, 44100, 2, 2);
    source->open();
    Decoded decoded = decodeAll(*source);
    EXPECT_TRUE(decoded.pcm == expected);
    ASSERT_EQ(decoded.chunkSizes.size(), blockSizes.size());
    uint64_t end = 0;
    for (size_t f = 0; f < blockSizes.size(); ++f) {
        end += static_cast<uint64_t>(blockSizes[f]);
        EXPECT_EQ(decoded.chunkSizes[f], blockSizes[f] * 4);
        EXPECT_DOUBLE_EQ(decoded.chunkTimes[f], static_cast<double>(end) / 44100);
    }
}

// Frames that disagree with STREAMINFO are brought into the stream's layout: a missing
// channel is silent, a narrower or wider depth is re-justified to the stream's container.
TEST_F(FlacHandmade, FramesOfAnotherLayoutKeepTheStreamsLayout) {
    struct Frame {
        int channels;
        int bits;
    };
    for (int streamBits : {8, 16, 24}) {
        const int bytes = streamBits / 8;
        const std::vector<Frame> frames = {{2, streamBits}, {1, streamBits}, {2, 12},
                                           {2, 20},         {2, 32},         {2, streamBits}};
        FlacFileWriter writer(48000, 2, streamBits, 256, 256, 256 * frames.size());
        Bytes expected;
        for (size_t f = 0; f < frames.size(); ++f) {
            auto samples = noise(frames[f].channels, 256, frames[f].bits, static_cast<uint32_t>(f));
            writer.addFrame(256 * f, samples, frames[f].bits);
            appendPcm(expected, samples, 2, bytes, streamBits - frames[f].bits);
        }
        std::string path = pathOf("mixed" + std::to_string(streamBits) + ".flac");
        writeBytes(path, writer.bytes());

        P<orxa::common::IAudioSource> source = this->source(path, 48000, 2, bytes);
        source->open();
        Decoded decoded = decodeAll(*source);
        EXPECT_TRUE(decoded.pcm == expected) << streamBits << "-bit stream";
        ASSERT_EQ(decoded.chunkSizes.size(), frames.size()) << streamBits << "-bit stream";
        for (int32_t size : decoded.chunkSizes)
            EXPECT_EQ(size, 256 * 2 * bytes);
    }
}
