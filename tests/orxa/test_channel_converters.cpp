#include "orxa/samplerateconverter/CSampleRateConverter.h"
#include "orxa/samplerateconverter/channelConverters.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <typeindex>
#include <vector>

using namespace orxa::samplerateconverter;
using CC = CSampleRateConverter;
using Converter = CC::CChannelConverter;
using tamu::P;

namespace {

// The mixing rule written out once more, independently, for the expected values.
int16_t refMix(int16_t d, int16_t s, bool attenuate) {
    const int32_t dd = d;
    const int32_t ss = attenuate ? static_cast<int32_t>(std::trunc(s * std::sqrt(0.5))) : s;
    if (ss < 0 && dd < 0)
        return static_cast<int16_t>(dd + ss + (dd * ss) / 32768);
    if (ss > 0 && dd > 0)
        return static_cast<int16_t>(dd + ss - (dd * ss) / 32767);
    return static_cast<int16_t>(dd + ss);
}
int16_t m(int16_t d, int16_t s) {
    return refMix(d, s, false);
}
int16_t mA(int16_t d, int16_t s) {
    return refMix(d, s, true);
}

using F = std::vector<int16_t>;
struct Row {
    std::type_index type;
    int sources, targets, acmod;
    std::function<F(const F&)> rule;
};
const auto copy = [](const F& s) { return s; };

// Every converter, in the order that decides ties, with what it writes for one frame.
const std::vector<Row> rows = {
    {typeid(CC::CMonoToMonoConverter), 1, 1, -1, copy},
    {typeid(CC::CMonoToStereoConverter), 1, 2, -1,
     [](const F& s) {
         return F{s[0], s[0]};
     }},
    {typeid(CC::CMonoTo3ChannelConverter), 1, 3, -1,
     [](const F& s) {
         return F{0, 0, s[0]};
     }},
    {typeid(CC::CMonoTo6ChannelConverter), 1, 6, -1,
     [](const F& s) { return F{0, 0, s[0], 0, 0, 0}; }},
    {typeid(CC::CStereoToMonoConverter), 2, 1, -1, [](const F& s) { return F{m(s[0], s[1])}; }},
    {typeid(CC::CStereoToStereoConverter), 2, 2, -1, copy},
    {typeid(CC::CStereoTo3ChannelConverter), 2, 3, -1,
     [](const F& s) {
         return F{s[0], s[1], 0};
     }},
    {typeid(CC::CStereoTo6ChannelConverter), 2, 6, -1,
     [](const F& s) { return F{s[0], s[1], 0, 0, 0, 0}; }},
    {typeid(CC::C3ChannelToMonoConverter), 3, 1, -1,
     [](const F& s) { return F{m(m(s[2], s[0]), s[1])}; }},
    {typeid(CC::C3ChannelToStereoConverter), 3, 2, -1,
     [](const F& s) {
         const auto c = static_cast<int16_t>(std::trunc(s[2] * std::sqrt(0.5)));
         return F{m(c, s[0]), m(c, s[1])};
     }},
    {typeid(CC::C3ChannelTo3ChannelConverter), 3, 3, -1, copy},
    {typeid(CC::C3ChannelTo6ChannelConverterAcmod4), 3, 6, 4,
     [](const F& s) { return F{s[0], s[1], 0, 0, s[2], s[2]}; }},
    {typeid(CC::C3ChannelTo6ChannelConverter), 3, 6, -1,
     [](const F& s) { return F{s[0], s[1], s[2], 0, 0, 0}; }},
    {typeid(CC::C4ChannelToStereoConverterAcmod5), 4, 2, 5,
     [](const F& s) {
         return F{mA(mA(s[0], s[2]), s[3]), mA(mA(s[1], s[2]), s[3])};
     }},
    {typeid(CC::C4ChannelToStereoConverter), 4, 2, -1,
     [](const F& s) {
         return F{mA(s[0], s[2]), mA(s[1], s[3])};
     }},
    {typeid(CC::C4ChannelTo4ChannelConverter), 4, 4, -1, copy},
    {typeid(CC::C4ChannelTo6ChannelConverterAcmod6), 4, 6, -1,
     [](const F& s) { return F{s[0], s[1], 0, 0, s[2], s[3]}; }},
    {typeid(CC::C4ChannelTo6ChannelConverter), 4, 6, 5,
     [](const F& s) { return F{s[0], s[1], s[2], 0, s[3], s[3]}; }},
    {typeid(CC::C5ChannelToStereoConverter), 5, 2, -1,
     [](const F& s) {
         return F{mA(mA(s[0], s[2]), s[3]), mA(mA(s[1], s[2]), s[4])};
     }},
    {typeid(CC::C5ChannelTo5ChannelConverter), 5, 5, -1, copy},
    {typeid(CC::C5ChannelTo6Converter), 5, 6, -1,
     [](const F& s) { return F{s[0], s[1], s[2], 0, s[3], s[4]}; }},
    {typeid(CC::C6ChannelToMonoConverter), 6, 1, -1,
     [](const F& s) { return F{m(m(m(m(s[2], s[0]), s[1]), s[3]), s[4])}; }},
    {typeid(CC::C6ChannelToStereoConverter), 6, 2, -1,
     [](const F& s) {
         return F{mA(mA(s[0], s[2]), s[4]), mA(mA(s[1], s[2]), s[5])};
     }},
    {typeid(CC::C6ChannelTo3ChannelConverter), 6, 3, -1,
     [](const F& s) {
         return F{mA(s[0], s[3]), mA(s[1], s[4]), s[2]};
     }},
    {typeid(CC::C6ChannelTo6ChannelConverter), 6, 6, -1, copy},
    {typeid(CC::C8ChannelToStereoConverter), 8, 2, -1,
     [](const F& s) {
         return F{mA(mA(s[0], s[2]), s[4]), mA(mA(s[1], s[2]), s[5])};
     }},
    {typeid(CC::C8ChannelTo6ChannelConverter), 8, 6, -1,
     [](const F& s) { return F{s[0], s[1], s[2], s[3], mA(s[4], s[6]), mA(s[5], s[7])}; }},
};

// Every channel differs, and the mixes meet every sign case and both extremes.
const std::vector<F> inputFrames = {
    {1111, -2222, 3333, -4444, 5555, -6666, 7777, -8888},
    {20000, 21000, 22000, 23000, 24000, 25000, 26000, 27000},
    {-20001, -21001, -22001, -23001, -24001, -25001, -26001, -32768},
    {32767, -32768, 32767, -32768, 32767, -32768, 32767, -32768},
    {-32768, 32767, 1, -1, 0, 2, -2, 3},
};

P<CC> owner() {
    return tamu::make<CC>(44100, 2, 2, 44100, 2, 2, nullptr, false);
}

} // namespace

TEST(ChannelConverters, MixStaysInside16BitsWithoutClipping) {
    const auto mixed = [](int16_t d, int16_t s, bool attenuate) {
        Converter::mix(d, s, attenuate);
        return d;
    };
    EXPECT_EQ(mixed(-32768, -32768, false), -32768);
    EXPECT_EQ(mixed(32767, 32767, false), 32767);
    EXPECT_EQ(mixed(100, -100, false), 0);
    EXPECT_EQ(mixed(16384, 16384, false), 24576);
    EXPECT_EQ(mixed(20000, 20000, false), 27793);
    EXPECT_EQ(mixed(0, 1, true), 0);
    EXPECT_EQ(mixed(0, -32768, true), -23170); // -23170.475 truncated toward zero
    EXPECT_EQ(mixed(-32768, -32768, true), -32768);
    EXPECT_EQ(mixed(32767, 32767, true), 32767);
    EXPECT_EQ(mixed(10000, 10000, true), 10000 + 7071 - 2157);
    EXPECT_EQ(Converter::k, std::sqrt(2.0) * 0.5);
    for (int d = -32768; d <= 32767; d += 257)
        for (int s = -32768; s <= 32767; s += 263)
            for (bool attenuate : {false, true})
                ASSERT_EQ(mixed(static_cast<int16_t>(d), static_cast<int16_t>(s), attenuate),
                          refMix(static_cast<int16_t>(d), static_cast<int16_t>(s), attenuate))
                    << d << " " << s << " " << attenuate;
}

TEST(ChannelConverters, AreCreatedInTheOrderThatDecidesTies) {
    P<CC> converter = owner();
    const auto& converters = converter->getChannelConverters();
    ASSERT_EQ(converters.size(), rows.size());
    for (std::size_t i = 0; i < rows.size(); ++i) {
        SCOPED_TRACE(i + 1);
        const Converter& c = *converters[i];
        EXPECT_EQ(std::type_index(typeid(c)), rows[i].type);
        EXPECT_EQ(c.getSourceChannels(), rows[i].sources);
        EXPECT_EQ(c.getTargetChannels(), rows[i].targets);
        EXPECT_EQ(c.getAcmod(), rows[i].acmod);
    }
}

TEST(ChannelConverters, EachWritesItsRuleForExactlyTheFramesAsked) {
    P<CC> converter = owner();
    const auto frames = static_cast<int>(inputFrames.size());
    for (std::size_t r = 0; r < rows.size(); ++r) {
        SCOPED_TRACE(r + 1);
        const int sources = rows[r].sources;
        // One spare slot per frame, so that the stride is not the channel count.
        const int stride = sources + 1;
        std::vector<int16_t> interleaved(static_cast<std::size_t>(frames * stride), 999);
        for (int f = 0; f < frames; ++f)
            std::copy_n(inputFrames[f].begin(), sources, interleaved.begin() + f * stride);
        std::vector<const int16_t*> in;
        for (int i = 0; i < sources; ++i)
            in.push_back(interleaved.data() + i);
        // A sentinel past the last frame of each target channel.
        std::vector<F> out(rows[r].targets, F(frames + 1, 4321));
        std::vector<int16_t*> outPointers;
        for (F& channel : out)
            outPointers.push_back(channel.data());

        converter->getChannelConverters()[r]->convert(0, in, stride * 2, outPointers);
        for (const F& channel : out)
            ASSERT_EQ(channel, F(frames + 1, 4321)) << "zero frames wrote something";
        converter->getChannelConverters()[r]->convert(frames, in, stride * 2, outPointers);
        for (int f = 0; f < frames; ++f) {
            const F expected =
                rows[r].rule(F(inputFrames[f].begin(), inputFrames[f].begin() + sources));
            for (int c = 0; c < rows[r].targets; ++c)
                EXPECT_EQ(out[c][f], expected[c]) << "frame " << f << " channel " << c;
        }
        for (const F& channel : out)
            EXPECT_EQ(channel[frames], 4321) << "wrote past the frames asked";
    }
}

TEST(ChannelConverters, SelectionPrefersTheExactLayoutThenAnyLayout) {
    P<CC> converter = owner();
    const auto found = [&](int s, int t, int acmod) -> std::type_index {
        Converter* c = converter->tryFindChannelConverter(s, t, acmod);
        return c ? std::type_index(typeid(*c)) : std::type_index(typeid(void));
    };
    EXPECT_EQ(found(3, 6, 4), typeid(CC::C3ChannelTo6ChannelConverterAcmod4));
    EXPECT_EQ(found(3, 6, -1), typeid(CC::C3ChannelTo6ChannelConverter));
    EXPECT_EQ(found(3, 6, 5), typeid(CC::C3ChannelTo6ChannelConverter));
    EXPECT_EQ(found(4, 2, 5), typeid(CC::C4ChannelToStereoConverterAcmod5));
    EXPECT_EQ(found(4, 2, 4), typeid(CC::C4ChannelToStereoConverter));
    EXPECT_EQ(found(4, 6, 5), typeid(CC::C4ChannelTo6ChannelConverter));
    EXPECT_EQ(found(4, 6, -1), typeid(CC::C4ChannelTo6ChannelConverterAcmod6));
    EXPECT_EQ(found(4, 6, 6), typeid(CC::C4ChannelTo6ChannelConverterAcmod6));
    EXPECT_EQ(found(1, 2, 7), typeid(CC::CMonoToStereoConverter));
    for (auto [s, t] : {std::pair{5, 1}, {8, 1}, {2, 4}, {6, 5}, {0, 2}, {2, 0}})
        EXPECT_EQ(found(s, t, -1), typeid(void)) << s << " -> " << t;
}
