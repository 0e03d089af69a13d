// Streams longer than 2^32 samples: a sample count, a frame number or a time that passes
// through 32 bits anywhere would wrap there. Three hours of near-silence at 384000 Hz, written
// by hand in frames of constant subframes, take about a megabyte.
#include "flacFrameWriter.h"
#include "flacTestSupport.h"
#include "hostToolTest.h"

#include "orxa/common/IAudioStreamInfo.h"
#include "orxa/common/IStreamIntegrity.h"

using namespace flactest;
using tamu::P;

namespace {

constexpr int longRate = 384000;
constexpr size_t longBlock = 65535;
// Past 2^32 by a little more than a frame, so the last frames and the end lie beyond it.
constexpr uint64_t longTotal = (uint64_t{1} << 32) + 100000;

// The value every sample of frame `index` holds: -1, 0 or 1.
int32_t longFrameValue(uint64_t index) {
    return static_cast<int32_t>(index % 3) - 1;
}

// Mono, 8 bits; every frame full but the last.
void writeLongFile(const std::string& path) {
    FlacFileWriter writer(longRate, 1, 8, 16, static_cast<int>(longBlock), longTotal);
    uint64_t index = 0;
    for (uint64_t first = 0; first < longTotal; first += longBlock, ++index)
        writer.addConstantFrame(first, std::min<uint64_t>(longBlock, longTotal - first), 1,
                                longFrameValue(index), 8);
    writeBytes(path, writer.bytes());
}

class LongStreams : public FlacTest {};


// Decodes the long file in `layout` and checks every chunk's time, the end and the integrity
// report. Unconverted chunks carry the time of their end, converted ones (by the converter's
// count of frames emitted before them) the time of their start; both counts pass 2^32.
void decodeLongFile(orxa::common::IAudioSource& source, int channels, int bytes) {
    const double length = static_cast<double>(longTotal) / longRate;
    const bool converted = channels != 1 || bytes != 1;
    source.open();
    EXPECT_DOUBLE_EQ(source.getDuration(), length);
    auto* info = tamu::interfaceCast<orxa::common::IAudioStreamInfo>(&source, false);
    EXPECT_EQ(info->getStreamTotalSamples(), static_cast<int64_t>(longTotal));

    const int32_t frameBytes = channels * bytes;
    uint64_t frames = 0, index = 0, wrongTimes = 0, wrongValues = 0;
    double lastTime = 0.0;
    while (P<orxa::audio::IAudioChunk> chunk = source.getNextAudioChunk()) {
        const uint64_t before = frames;
        frames += static_cast<uint64_t>(chunk->getSize() / frameBytes);
        lastTime = chunk->getTime();
        const double expected = static_cast<double>(converted ? before : frames) / longRate;
        wrongTimes += std::abs(lastTime - expected) > 1e-9;
        // The top byte of the chunk's first sample, unsigned at 8 bits.
        const int32_t top = chunk->getData()[bytes - 1];
        const int32_t value = longFrameValue(index++);
        wrongValues += bytes == 1 ? top != value + 128 : static_cast<int8_t>(top) != value;
    }
    EXPECT_EQ(frames, longTotal);
    EXPECT_EQ(wrongTimes, 0u);
    EXPECT_EQ(wrongValues, 0u);
    const uint64_t lastFrame = longTotal % longBlock;
    EXPECT_DOUBLE_EQ(lastTime, converted ? static_cast<double>(longTotal - lastFrame) / longRate
                                         : length);
    auto* report = tamu::interfaceCast<orxa::common::IStreamIntegrity>(&source, false);
    EXPECT_EQ(report->getDecodedSamples(), static_cast<int64_t>(longTotal));
    EXPECT_EQ(report->getLostSamples(), 0);
    EXPECT_FALSE(report->isEndedEarly());
    EXPECT_TRUE(report->isIntact());
    source.close();
}

} // namespace

TEST_F(LongStreams, MoreThanTwoToThe32SamplesDecodeWithTheirTotalAndTimes) {
    writeLongFile(pathOf("long.flac"));
    decodeLongFile(*source(pathOf("long.flac"), longRate, 1, 1), 1, 1);
}

// Through the converter (another width, the same rate).
TEST_F(LongStreams, MoreThanTwoToThe32SamplesConvertWithTheirTotalAndTimes) {
    writeLongFile(pathOf("long.flac"));
    decodeLongFile(*source(pathOf("long.flac"), longRate, 1, 2), 1, 2);
}

namespace {

class LongStreamsTool : public toolrunner::HostToolTest {};

} // namespace

// The tool sees the whole length: its header facts, a test that finds nothing missing, and a
// span cut past 2^32 samples.
TEST_F(LongStreamsTool, TheToolTellsTheLengthAndCutsBeyondTwoToThe32Samples) {
    writeLongFile((dir / "long.flac").string());
    const std::string info = ok("info long.flac").out;
    EXPECT_NE(info.find("total samples  4295067296\n"), std::string::npos) << info;
    EXPECT_NE(info.find("duration       11185.071 s (186:25.071)\n"), std::string::npos) << info;
    EXPECT_EQ(ok("test long.flac").err.find("long.flac: ok"), 0u);
    // The last 100000 samples but 1000: from 2^32 + 1000 up to 1000 before the end.
    ok("-q decode -t raw --skip 4294968296s --until -1000s long.flac -o cut.raw");
    std::string expected;
    for (uint64_t sample = 4294968296; sample < longTotal - 1000; ++sample)
        expected += static_cast<char>(longFrameValue(sample / longBlock) + 128);
    EXPECT_TRUE(toolrunner::readFile(dir / "cut.raw") == expected);
}
