// Heap allocations per decoded frame once decoding is steady, counted by replacing operator new
// in this binary. The source delivers one chunk per FLAC frame; its block comes from the host's
// recycling memory manager and its object from the source's (or the converter's) chunk pool, so
// steady decoding allocates nothing. Anything added per frame (a vector, a string, an object
// that is not recycled) breaks it.

#include "countingAllocator.h"
#include "steadyDecoding.h"

#include "orxa/audio/CAudioChunk.h"
#include "tamu/CMemoryManager.h"
#include "tamu/IMemoryBlock.h"

#include <FLAC/stream_encoder.h>
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <numbers>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

constexpr int32_t warmUpFrames = 16;

class FrameAllocations : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        char pattern[] = "/tmp/orxa-allocations-XXXXXX";
        s_folder = mkdtemp(pattern);
        s_stereo = s_folder + "/stereo.flac";
        s_surround = s_folder + "/surround.flac";
        writeFlac(s_stereo, 44100, 2, 16, 20);
        writeFlac(s_surround, 48000, 6, 24, 10);
    }
    static void TearDownTestSuite() { std::filesystem::remove_all(s_folder); }

    // Tones on every channel and a little noise, in 4096-sample frames.
    static void writeFlac(const std::string& path, int rate, int channels, int bits, int seconds) {
        const int frames = rate * seconds;
        std::vector<int32_t> samples(static_cast<size_t>(frames) * channels);
        const double peak = std::ldexp(0.4, bits - 1);
        uint32_t noise = 7;
        for (int i = 0; i < frames; ++i)
            for (int c = 0; c < channels; ++c) {
                noise = noise * 1664525u + 1013904223u;
                const double t = static_cast<double>(i) / rate;
                samples[static_cast<size_t>(i) * channels + c] = static_cast<int32_t>(
                    peak * std::sin(2 * std::numbers::pi * (220.0 + 110.0 * c) * t) +
                    static_cast<double>(noise >> 26) - 32);
            }
        FLAC__StreamEncoder* encoder = FLAC__stream_encoder_new();
        FLAC__stream_encoder_set_channels(encoder, static_cast<uint32_t>(channels));
        FLAC__stream_encoder_set_sample_rate(encoder, static_cast<uint32_t>(rate));
        FLAC__stream_encoder_set_bits_per_sample(encoder, static_cast<uint32_t>(bits));
        FLAC__stream_encoder_set_blocksize(encoder, 4096);
        FLAC__stream_encoder_set_compression_level(encoder, 1);
        ASSERT_EQ(FLAC__stream_encoder_init_file(encoder, path.c_str(), nullptr, nullptr),
                  FLAC__STREAM_ENCODER_INIT_STATUS_OK);
        ASSERT_TRUE(FLAC__stream_encoder_process_interleaved(encoder, samples.data(),
                                                             static_cast<uint32_t>(frames)));
        ASSERT_TRUE(FLAC__stream_encoder_finish(encoder));
        FLAC__stream_encoder_delete(encoder);
    }

    static void expectSteady(const std::string& path, int32_t rate, int32_t channels, int32_t bytes,
                             bool checkMD5 = false) {
        const steadydecoding::Count count = steadydecoding::countSteadyAllocations(
            path, rate, channels, bytes, warmUpFrames, checkMD5);
        // Enough frames after the warm-up that one allocation every few frames would show.
        ASSERT_GE(count.chunks, 50);
        EXPECT_GT(count.bytes, 0);
        EXPECT_EQ(count.allocations, 0)
            << count.allocations << " allocations over " << count.chunks << " frames";
    }

    static inline std::string s_folder;
    static inline std::string s_stereo;
    static inline std::string s_surround;
};

// Without the counter counting, every other case would pass on nothing.
TEST_F(FrameAllocations, CounterSeesTheChunkObjectAndNotTheRecycledBlock) {
    auto memory = tamu::make<tamu::CMemoryManager>(30);
    memory->allocate(4096); // its buffer goes back to the cache
    const int64_t before = countingallocator::allocations();
    {
        tamu::P<tamu::IMemoryBlock> block = memory->allocate(4096);
        auto chunk = tamu::make<orxa::audio::CAudioChunk>(0.0, block.get());
        EXPECT_EQ(countingallocator::allocations() - before, 1);
    }
    void* raw = ::operator new(24);
    ::operator delete(raw);
    EXPECT_EQ(countingallocator::allocations() - before, 2);
}

TEST_F(FrameAllocations, WithoutConversion) {
    expectSteady(s_stereo, 44100, 2, 2);
    expectSteady(s_surround, 48000, 6, 3);
}

// The signature's thread shares the frames' blocks and gives them back: nothing more per frame.
TEST_F(FrameAllocations, WithTheSignatureChecked) {
    expectSteady(s_stereo, 44100, 2, 2, true);
    expectSteady(s_surround, 44100, 2, 2, true);
}

TEST_F(FrameAllocations, WithConversion) {
    // Rate only, then rate, channels and width at once.
    expectSteady(s_stereo, 48000, 2, 2);
    expectSteady(s_stereo, 96000, 1, 3);
    expectSteady(s_surround, 44100, 2, 2);
}

} // namespace
