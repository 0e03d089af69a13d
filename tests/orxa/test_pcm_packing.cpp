#include "orxa/flac/pcmPacking.h"
#include "orxa/samplerateconverter/sampleFormats.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

using Bytes = std::vector<uint8_t>;

namespace {

// The extremes and the values around zero of each width, as bytes and as signed values.
struct WidthCase {
    int32_t width;
    Bytes bytes;
    std::vector<int32_t> values;
};

const std::vector<WidthCase>& widthCases() {
    static const std::vector<WidthCase> cases = {
        {1, {0x00, 0x7F, 0x80, 0xFF}, {-128, -1, 0, 127}},
        {2, {0x00, 0x80, 0xFF, 0xFF, 0x01, 0x00, 0xFF, 0x7F}, {-32768, -1, 1, 32767}},
        {3, {0x00, 0x00, 0x80, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x7F}, {-8388608, -1, 8388607}},
        {4, {0x00, 0x00, 0x00, 0x80, 0x01, 0x00, 0x00, 0x00}, {INT32_MIN, 1}},
    };
    return cases;
}

} // namespace

TEST(PcmPacking, FlacSamplesOfEveryWidthUnpackAndPackBack) {
    for (const WidthCase& c : widthCases()) {
        const auto count = static_cast<int32_t>(c.values.size());
        std::vector<int32_t> samples(c.values.size());
        orxa::flac::unpackSamples(c.bytes.data(), count, c.width, samples.data());
        EXPECT_EQ(samples, c.values) << c.width << " bytes";

        Bytes packed(c.bytes.size());
        const int32_t* mono[] = {samples.data()};
        orxa::flac::packFrame(mono, 1, count, c.width, 0, packed.data());
        EXPECT_EQ(packed, c.bytes) << c.width << " bytes";
    }
}

TEST(PcmPacking, FlacFramesInterleaveAndShiftEitherWay) {
    const int32_t left[] = {1, -2};
    const int32_t right[] = {3, 4};
    const int32_t third[] = {-1, 5};
    const int32_t* three[] = {left, right, third};

    Bytes stereo(8);
    orxa::flac::packFrame(three, 2, 2, 2, 4, stereo.data());
    EXPECT_EQ(stereo, (Bytes{0x10, 0x00, 0x30, 0x00, 0xE0, 0xFF, 0x40, 0x00}));

    Bytes surround(6);
    orxa::flac::packFrame(three, 3, 2, 1, 0, surround.data());
    EXPECT_EQ(surround, (Bytes{129, 131, 127, 126, 132, 133}));

    // A 20-bit sample into 2 bytes keeps its top 16 bits.
    const int32_t wide[] = {0x7FFFF, -0x80000};
    const int32_t* mono[] = {wide};
    Bytes narrowed(4);
    orxa::flac::packFrame(mono, 1, 2, 2, -4, narrowed.data());
    EXPECT_EQ(narrowed, (Bytes{0xFF, 0x7F, 0x00, 0x80}));
}

// The signature's form keeps each sample as decoded in the fewest whole bytes, 8-bit signed.
TEST(PcmPacking, SignatureFormIsUnjustifiedSignedLittleEndian) {
    const struct {
        int32_t bits;
        int32_t left[2];
        int32_t right[2];
        Bytes bytes;
    } cases[] = {
        {8, {-128, 127}, {0, -1}, {0x80, 0x00, 0x7F, 0xFF}},
        {12, {-2048, 2047}, {1, -2}, {0x00, 0xF8, 0x01, 0x00, 0xFF, 0x07, 0xFE, 0xFF}},
        {16, {-32768, 1}, {0x1234, -1}, {0x00, 0x80, 0x34, 0x12, 0x01, 0x00, 0xFF, 0xFF}},
        {20,
         {0x7FFFF, -1},
         {-0x80000, 2},
         {0xFF, 0xFF, 0x07, 0x00, 0x00, 0xF8, 0xFF, 0xFF, 0xFF, 0x02, 0x00, 0x00}},
        {24, {0x123456, 0}, {-0x800000, 0}, {0x56, 0x34, 0x12, 0x00, 0x00, 0x80, 0, 0, 0, 0, 0, 0}},
    };
    for (const auto& c : cases) {
        const int32_t* channels[] = {c.left, c.right};
        Bytes out(c.bytes.size() + 1, 0xAA);
        orxa::flac::packForSignature(channels, 2, 2, c.bits, out.data());
        EXPECT_EQ(Bytes(out.begin(), out.end() - 1), c.bytes) << c.bits << " bits";
        EXPECT_EQ(out.back(), 0xAA) << c.bits << " bits: wrote past the frame";
    }
}

TEST(PcmPacking, WidthsOutsideOneToFourTouchNothing) {
    Bytes out(8, 0xAA);
    const int32_t samples[] = {1, 2};
    const int32_t* mono[] = {samples};
    orxa::flac::packFrame(mono, 1, 2, 5, 0, out.data());
    orxa::samplerateconverter::packInterleaved(std::span<const int32_t* const>(mono, 1), 2, 0,
                                               out.data());
    EXPECT_EQ(out, Bytes(8, 0xAA));

    std::vector<int32_t> unpacked(2, 7);
    orxa::flac::unpackSamples(out.data(), 2, 0, unpacked.data());
    orxa::samplerateconverter::widenTo32Bit(out.data(), 5, 2, unpacked.data());
    EXPECT_EQ(unpacked, (std::vector<int32_t>{7, 7}));
}
