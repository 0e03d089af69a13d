#include "orxa/samplerateconverter/CSampleRateConverter.h"
#include "orxa/samplerateconverter/channelConverterTable.h"
#include "orxa/samplerateconverter/channelConverters.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <map>
#include <regex>
#include <string>
#include <tuple>
#include <typeindex>
#include <vector>

using namespace orxa::samplerateconverter;
using CC = CSampleRateConverter;
using Converter = CC::CChannelConverter;
using tamu::P;

namespace {

// The mixing rule written out once more, independently, for the expected values, at the scale
// of the sample type: products in 64 bits, divided by the type's own limits.
template <class T>
T refMix(T d, T s, bool attenuate) {
    constexpr int64_t negativeScale = -int64_t(std::numeric_limits<T>::min());
    constexpr int64_t positiveScale = std::numeric_limits<T>::max();
    const int64_t dd = d;
    const int64_t ss = attenuate ? static_cast<int64_t>(std::trunc(s * std::sqrt(0.5))) : s;
    if (ss < 0 && dd < 0)
        return static_cast<T>(dd + ss + (dd * ss) / negativeScale);
    if (ss > 0 && dd > 0)
        return static_cast<T>(dd + ss - (dd * ss) / positiveScale);
    return static_cast<T>(dd + ss);
}

// Every converter the sample-rate converter makes, in the order it makes them.
struct Entry {
    std::type_index type;
    std::string name;
    int sources, targets, acmod;
};
#define ORXA_RULE_ENTRY(Name, sources, targets, acmod)                                             \
    {typeid(CC::Name), #Name, sources, targets, acmod},
#define ORXA_MIX_ENTRY(Name, sources, targets) {typeid(CC::Name), #Name, sources, targets, -1},
const std::vector<Entry> catalogue = {ORXA_RULE_CHANNEL_CONVERTERS(ORXA_RULE_ENTRY)
                                          ORXA_LAYOUT_MIX_CHANNEL_CONVERTERS(ORXA_MIX_ENTRY)};
#undef ORXA_RULE_ENTRY
#undef ORXA_MIX_ENTRY

// What each pair of layouts writes to each target channel, by (sources, targets, acmod): "-" is
// silence, otherwise source channels mixed left to right, "a" after one that is attenuated (the
// first term alone is scaled, later ones are mixed in scaled).
using Key = std::tuple<int, int, int>;
const std::map<Key, std::vector<const char*>> rules = {
    {{1, 1, -1}, {"0"}},
    {{1, 2, -1}, {"0", "0"}},
    {{1, 3, -1}, {"-", "-", "0"}},
    {{1, 6, -1}, {"-", "-", "0", "-", "-", "-"}},
    {{2, 1, -1}, {"01"}},
    {{2, 2, -1}, {"0", "1"}},
    {{2, 3, -1}, {"0", "1", "-"}},
    {{2, 6, -1}, {"0", "1", "-", "-", "-", "-"}},
    {{3, 1, -1}, {"201"}},
    {{3, 2, -1}, {"2a0", "2a1"}},
    {{3, 3, -1}, {"0", "1", "2"}},
    {{3, 6, 4}, {"0", "1", "-", "-", "2", "2"}},
    {{3, 6, -1}, {"0", "1", "2", "-", "-", "-"}},
    {{4, 2, 5}, {"02a3a", "12a3a"}},
    {{4, 2, -1}, {"02a", "13a"}},
    {{4, 4, -1}, {"0", "1", "2", "3"}},
    {{4, 6, -1}, {"0", "1", "-", "-", "2", "3"}},
    {{4, 6, 5}, {"0", "1", "2", "-", "3", "3"}},
    {{5, 2, -1}, {"02a3a", "12a4a"}},
    {{5, 5, -1}, {"0", "1", "2", "3", "4"}},
    {{5, 6, -1}, {"0", "1", "2", "-", "3", "4"}},
    {{6, 1, -1}, {"20134"}},
    {{6, 2, -1}, {"02a4a", "12a5a"}},
    {{6, 3, -1}, {"03a", "14a", "2"}},
    {{6, 6, -1}, {"0", "1", "2", "3", "4", "5"}},
    {{8, 2, -1}, {"02a4a", "12a5a"}},
    {{8, 6, -1}, {"0", "1", "2", "3", "46a", "57a"}},
    {{1, 4, -1}, {"0", "0", "-", "-"}},
    {{1, 5, -1}, {"-", "-", "0", "-", "-"}},
    {{1, 7, -1}, {"-", "-", "0", "-", "-", "-", "-"}},
    {{1, 8, -1}, {"-", "-", "0", "-", "-", "-", "-", "-"}},
    {{2, 4, -1}, {"0", "1", "-", "-"}},
    {{2, 5, -1}, {"0", "1", "-", "-", "-"}},
    {{2, 7, -1}, {"0", "1", "-", "-", "-", "-", "-"}},
    {{2, 8, -1}, {"0", "1", "-", "-", "-", "-", "-", "-"}},
    {{3, 4, -1}, {"02a", "12a", "-", "-"}},
    {{3, 5, -1}, {"0", "1", "2", "-", "-"}},
    {{3, 7, -1}, {"0", "1", "2", "-", "-", "-", "-"}},
    {{3, 8, -1}, {"0", "1", "2", "-", "-", "-", "-", "-"}},
    {{4, 1, -1}, {"012a3a"}},
    {{4, 3, -1}, {"02a", "13a", "-"}},
    {{4, 5, -1}, {"0", "1", "-", "2", "3"}},
    {{4, 7, -1}, {"0", "1", "-", "-", "-", "2", "3"}},
    {{4, 8, -1}, {"0", "1", "-", "-", "2", "3", "-", "-"}},
    {{5, 1, -1}, {"2013a4a"}},
    {{5, 3, -1}, {"03a", "14a", "2"}},
    {{5, 4, -1}, {"02a", "12a", "3", "4"}},
    {{5, 7, -1}, {"0", "1", "2", "-", "-", "3", "4"}},
    {{5, 8, -1}, {"0", "1", "2", "-", "3", "4", "-", "-"}},
    {{6, 4, -1}, {"02a", "12a", "4", "5"}},
    {{6, 5, -1}, {"0", "1", "2", "4", "5"}},
    {{6, 7, -1}, {"0", "1", "2", "3", "-", "4", "5"}},
    {{6, 8, -1}, {"0", "1", "2", "3", "4", "5", "-", "-"}},
    {{7, 1, -1}, {"2014a5a6a"}},
    {{7, 2, -1}, {"02a4a5a", "12a4a6a"}},
    {{7, 3, -1}, {"04a5a", "14a6a", "2"}},
    {{7, 4, -1}, {"02a", "12a", "54a", "64a"}},
    {{7, 5, -1}, {"0", "1", "2", "54a", "64a"}},
    {{7, 6, -1}, {"0", "1", "2", "3", "54a", "64a"}},
    {{7, 7, -1}, {"0", "1", "2", "3", "4", "5", "6"}},
    {{7, 8, -1}, {"0", "1", "2", "3", "5", "6", "4a", "4a"}},
    {{8, 1, -1}, {"2014a5a6a7a"}},
    {{8, 3, -1}, {"04a6a", "15a7a", "2"}},
    {{8, 4, -1}, {"02a", "12a", "46a", "57a"}},
    {{8, 5, -1}, {"0", "1", "2", "46a", "57a"}},
    {{8, 7, -1}, {"0", "1", "2", "3", "-", "46a", "57a"}},
    {{8, 8, -1}, {"0", "1", "2", "3", "4", "5", "6", "7"}},
};

// One target sample of `rule` for one source frame. (Not named apply: std::apply would be
// found through the vector's namespace.)
template <class T>
T ruleSample(const char* rule, const std::vector<T>& frame) {
    if (*rule == '-')
        return 0;
    T sum = frame[rule[0] - '0'];
    if (rule[1] == 'a')
        sum = static_cast<T>(std::trunc(sum * std::sqrt(0.5)));
    for (const char* at = rule + 1; *at; ++at)
        if (*at != 'a')
            sum = refMix<T>(sum, frame[*at - '0'], at[1] == 'a');
    return sum;
}

// Every channel differs, and the mixes meet every sign case and both extremes.
using F = std::vector<int16_t>;
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

TEST(ChannelConverters, AreMadeInTheTablesOrderAndNamedForTheirLayouts) {
    P<CC> converter = owner();
    const auto& converters = converter->getChannelConverters();
    ASSERT_EQ(converters.size(), catalogue.size());
    EXPECT_EQ(rules.size(), catalogue.size()) << "a pair of layouts made twice, or one missing";
    const std::map<std::string, int> counts = {{"Mono", 1}, {"Stereo", 2}};
    const std::regex pattern("C(Mono|Stereo|[1-8]Channel)To(Mono|Stereo|[1-8](?:Channel)?)"
                             "Converter(?:Acmod[4-6])?");
    const auto count = [&](const std::string& part) {
        return counts.count(part) ? counts.at(part) : part[0] - '0';
    };
    for (std::size_t i = 0; i < catalogue.size(); ++i) {
        const Entry& entry = catalogue[i];
        SCOPED_TRACE(entry.name);
        const Converter& c = *converters[i];
        EXPECT_EQ(std::type_index(typeid(c)), entry.type);
        EXPECT_EQ(c.getSourceChannels(), entry.sources);
        EXPECT_EQ(c.getTargetChannels(), entry.targets);
        EXPECT_EQ(c.getAcmod(), entry.acmod);
        EXPECT_EQ(rules.count(Key{entry.sources, entry.targets, entry.acmod}), 1u);
        // The counts of a row must be the ones its name says.
        std::smatch parts;
        ASSERT_TRUE(std::regex_match(entry.name, parts, pattern));
        EXPECT_EQ(count(parts[1]), entry.sources);
        EXPECT_EQ(count(parts[2]), entry.targets);
    }
}

namespace {

// Every converter of the catalogue over `frames` of T, each against its rule: zero frames write
// nothing, and exactly the frames asked are written. A spare slot per source frame keeps the
// stride apart from the channel count; a sentinel follows the last frame of each target channel.
template <class T>
void expectEveryRule(const std::vector<std::vector<T>>& frames) {
    P<CC> converter = owner();
    const auto count = static_cast<int32_t>(frames.size());
    const T sentinel = 4321;
    for (std::size_t r = 0; r < catalogue.size(); ++r) {
        SCOPED_TRACE(catalogue[r].name);
        const int sources = catalogue[r].sources;
        const int targets = catalogue[r].targets;
        const auto& rule = rules.at(Key{sources, targets, catalogue[r].acmod});
        const int stride = sources + 1;
        std::vector<T> interleaved(static_cast<std::size_t>(count * stride), 999);
        for (int f = 0; f < count; ++f)
            std::copy_n(frames[f].begin(), sources, interleaved.begin() + f * stride);
        std::vector<const T*> in;
        for (int i = 0; i < sources; ++i)
            in.push_back(interleaved.data() + i);
        std::vector<std::vector<T>> out(targets, std::vector<T>(count + 1, sentinel));
        std::vector<T*> outPointers;
        for (auto& channel : out)
            outPointers.push_back(channel.data());

        const auto strideBytes = static_cast<int32_t>(stride * sizeof(T));
        converter->getChannelConverters()[r]->convert(0, in, strideBytes, outPointers);
        for (const auto& channel : out)
            ASSERT_EQ(channel, std::vector<T>(count + 1, sentinel)) << "zero frames wrote something";
        converter->getChannelConverters()[r]->convert(count, in, strideBytes, outPointers);
        for (int f = 0; f < count; ++f)
            for (int c = 0; c < targets; ++c)
                EXPECT_EQ(out[c][f], ruleSample(rule[c], frames[f]))
                    << "frame " << f << " channel " << c;
        for (const auto& channel : out)
            EXPECT_EQ(channel[count], sentinel) << "wrote past the frames asked";
    }
}

} // namespace

TEST(ChannelConverters, EachWritesItsRuleForExactlyTheFramesAsked) {
    expectEveryRule(inputFrames);
}

// Wider audio goes through the same rules with 32-bit samples; the low bits must take part in
// the mix, and the extremes of 32 bits must neither wrap nor clip.
TEST(ChannelConverters, WideSamplesFollowTheSameRulesAtTheirOwnScale) {
    std::vector<std::vector<int32_t>> frames;
    for (const F& frame : inputFrames) {
        std::vector<int32_t> wide;
        for (std::size_t i = 0; i < frame.size(); ++i)
            wide.push_back(static_cast<int32_t>(static_cast<uint32_t>(frame[i]) << 16) |
                           static_cast<int32_t>(0x1234 * (i + 1) & 0xFFFF));
        frames.push_back(wide);
    }
    frames.push_back(
        {INT32_MAX, INT32_MIN, INT32_MAX, INT32_MIN, INT32_MAX, INT32_MAX, INT32_MIN, INT32_MIN});
    frames.push_back(
        {INT32_MIN, INT32_MIN, INT32_MIN, INT32_MIN, INT32_MIN, INT32_MIN, INT32_MIN, INT32_MIN});
    expectEveryRule(frames);
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
    EXPECT_EQ(found(5, 1, 4), typeid(CC::C5ChannelToMonoConverter));
    EXPECT_EQ(found(8, 1, -1), typeid(CC::C8ChannelToMonoConverter));
    for (int s = 1; s <= 8; ++s)
        for (int t = 1; t <= 8; ++t)
            EXPECT_NE(found(s, t, -1), typeid(void)) << s << " -> " << t;
    for (auto [s, t] : {std::pair{9, 2}, {2, 9}, {0, 2}, {2, 0}})
        EXPECT_EQ(found(s, t, -1), typeid(void)) << s << " -> " << t;
}
