#pragma once

#include "orxa/samplerateconverter/CChannelConverter.h"

#include <array>

namespace orxa::samplerateconverter {

// One converter per pair of layouts. Channel orders: 1 is M; 2 are L R; 3 are L R C (L R S for
// acmod 4); 4 are L R SL SR (L R C S for acmod 5); 5 are L R C SL SR; 6 are L R C LFE SL SR;
// 7 are L R C LFE BC SL SR; 8 are L R C LFE SL SR BL BR. The sample-rate converter creates them
// in the order below, and that order decides which of two candidates serves a call.

#define ORXA_CHANNEL_CONVERTER_OVERRIDES                                                           \
    void convert(int32_t frames, SourcePointers sourcePointers, int32_t sourceFrameBytes,          \
                 TargetPointers targetPointers) override;                                          \
    void convert(int32_t frames, WideSourcePointers sourcePointers, int32_t sourceFrameBytes,      \
                 WideTargetPointers targetPointers) override;

#define ORXA_DECLARE_CHANNEL_CONVERTER(Name, sources, targets, acmod)                              \
    class CSampleRateConverter::Name final : public CChannelConverter {                            \
    public:                                                                                        \
        Name() : CChannelConverter(sources, targets, acmod) {}                                     \
        ORXA_CHANNEL_CONVERTER_OVERRIDES                                                           \
    };

ORXA_DECLARE_CHANNEL_CONVERTER(CMonoToMonoConverter, 1, 1, -1)
ORXA_DECLARE_CHANNEL_CONVERTER(CMonoToStereoConverter, 1, 2, -1)
ORXA_DECLARE_CHANNEL_CONVERTER(CMonoTo3ChannelConverter, 1, 3, -1)
ORXA_DECLARE_CHANNEL_CONVERTER(CMonoTo6ChannelConverter, 1, 6, -1)
ORXA_DECLARE_CHANNEL_CONVERTER(CStereoToMonoConverter, 2, 1, -1)
ORXA_DECLARE_CHANNEL_CONVERTER(CStereoToStereoConverter, 2, 2, -1)
ORXA_DECLARE_CHANNEL_CONVERTER(CStereoTo3ChannelConverter, 2, 3, -1)
ORXA_DECLARE_CHANNEL_CONVERTER(CStereoTo6ChannelConverter, 2, 6, -1)
ORXA_DECLARE_CHANNEL_CONVERTER(C3ChannelToMonoConverter, 3, 1, -1)
ORXA_DECLARE_CHANNEL_CONVERTER(C3ChannelToStereoConverter, 3, 2, -1)
ORXA_DECLARE_CHANNEL_CONVERTER(C3ChannelTo3ChannelConverter, 3, 3, -1)
ORXA_DECLARE_CHANNEL_CONVERTER(C3ChannelTo6ChannelConverterAcmod4, 3, 6, 4)
ORXA_DECLARE_CHANNEL_CONVERTER(C3ChannelTo6ChannelConverter, 3, 6, -1)
ORXA_DECLARE_CHANNEL_CONVERTER(C4ChannelToStereoConverterAcmod5, 4, 2, 5)
ORXA_DECLARE_CHANNEL_CONVERTER(C4ChannelToStereoConverter, 4, 2, -1)
ORXA_DECLARE_CHANNEL_CONVERTER(C4ChannelTo4ChannelConverter, 4, 4, -1)
ORXA_DECLARE_CHANNEL_CONVERTER(C4ChannelTo6ChannelConverterAcmod6, 4, 6, -1)
ORXA_DECLARE_CHANNEL_CONVERTER(C4ChannelTo6ChannelConverter, 4, 6, 5)
ORXA_DECLARE_CHANNEL_CONVERTER(C5ChannelToStereoConverter, 5, 2, -1)
ORXA_DECLARE_CHANNEL_CONVERTER(C5ChannelTo5ChannelConverter, 5, 5, -1)
ORXA_DECLARE_CHANNEL_CONVERTER(C5ChannelTo6Converter, 5, 6, -1)
ORXA_DECLARE_CHANNEL_CONVERTER(C6ChannelToMonoConverter, 6, 1, -1)
ORXA_DECLARE_CHANNEL_CONVERTER(C6ChannelToStereoConverter, 6, 2, -1)
ORXA_DECLARE_CHANNEL_CONVERTER(C6ChannelTo3ChannelConverter, 6, 3, -1)
ORXA_DECLARE_CHANNEL_CONVERTER(C6ChannelTo6ChannelConverter, 6, 6, -1)
ORXA_DECLARE_CHANNEL_CONVERTER(C8ChannelToStereoConverter, 8, 2, -1)
ORXA_DECLARE_CHANNEL_CONVERTER(C8ChannelTo6ChannelConverter, 8, 6, -1)

// Every other pair of counts, by the same rules the ones above follow: a channel the target has
// is copied, the centre and the surrounds fold into the nearest channels the target has with
// `mixA` (into mono with `mix` for the fronts and centre), the LFE is left out when the target
// has none, and channels the source lacks stay silent, except that mono feeds the centre or,
// without one, both fronts.
class CSampleRateConverter::CLayoutMixConverter : public CChannelConverter {
public:
    ORXA_CHANNEL_CONVERTER_OVERRIDES

    // One term of a target channel: a source channel, mixed in with or without attenuation.
    struct Term {
        int8_t source;
        bool attenuate;
    };
    static constexpr int maxChannels = 8;
    // The terms of target channel `c`, in the order they are mixed in, starting from silence.
    std::span<const Term> getTerms(int32_t c) const {
        return {m_terms[static_cast<size_t>(c)].data(), m_termCounts[static_cast<size_t>(c)]};
    }

protected:
    CLayoutMixConverter(int32_t sourceChannels, int32_t targetChannels);

private:
    template <class Sample>
    void run(int32_t frames, std::span<const Sample* const> sourcePointers,
             int32_t sourceFrameBytes, std::span<Sample* const> targetPointers) const;

    std::array<std::array<Term, maxChannels>, maxChannels> m_terms{};
    std::array<size_t, maxChannels> m_termCounts{};
};

#define ORXA_DECLARE_LAYOUT_MIX_CONVERTER(Name, sources, targets)                                  \
    class CSampleRateConverter::Name final : public CLayoutMixConverter {                          \
    public:                                                                                        \
        Name() : CLayoutMixConverter(sources, targets) {}                                          \
    };

ORXA_DECLARE_LAYOUT_MIX_CONVERTER(CMonoTo4ChannelConverter, 1, 4)
ORXA_DECLARE_LAYOUT_MIX_CONVERTER(CMonoTo5ChannelConverter, 1, 5)
ORXA_DECLARE_LAYOUT_MIX_CONVERTER(CMonoTo7ChannelConverter, 1, 7)
ORXA_DECLARE_LAYOUT_MIX_CONVERTER(CMonoTo8ChannelConverter, 1, 8)
ORXA_DECLARE_LAYOUT_MIX_CONVERTER(CStereoTo4ChannelConverter, 2, 4)
ORXA_DECLARE_LAYOUT_MIX_CONVERTER(CStereoTo5ChannelConverter, 2, 5)
ORXA_DECLARE_LAYOUT_MIX_CONVERTER(CStereoTo7ChannelConverter, 2, 7)
ORXA_DECLARE_LAYOUT_MIX_CONVERTER(CStereoTo8ChannelConverter, 2, 8)
ORXA_DECLARE_LAYOUT_MIX_CONVERTER(C3ChannelTo4ChannelConverter, 3, 4)
ORXA_DECLARE_LAYOUT_MIX_CONVERTER(C3ChannelTo5ChannelConverter, 3, 5)
ORXA_DECLARE_LAYOUT_MIX_CONVERTER(C3ChannelTo7ChannelConverter, 3, 7)
ORXA_DECLARE_LAYOUT_MIX_CONVERTER(C3ChannelTo8ChannelConverter, 3, 8)
ORXA_DECLARE_LAYOUT_MIX_CONVERTER(C4ChannelToMonoConverter, 4, 1)
ORXA_DECLARE_LAYOUT_MIX_CONVERTER(C4ChannelTo3ChannelConverter, 4, 3)
ORXA_DECLARE_LAYOUT_MIX_CONVERTER(C4ChannelTo5ChannelConverter, 4, 5)
ORXA_DECLARE_LAYOUT_MIX_CONVERTER(C4ChannelTo7ChannelConverter, 4, 7)
ORXA_DECLARE_LAYOUT_MIX_CONVERTER(C4ChannelTo8ChannelConverter, 4, 8)
ORXA_DECLARE_LAYOUT_MIX_CONVERTER(C5ChannelToMonoConverter, 5, 1)
ORXA_DECLARE_LAYOUT_MIX_CONVERTER(C5ChannelTo3ChannelConverter, 5, 3)
ORXA_DECLARE_LAYOUT_MIX_CONVERTER(C5ChannelTo4ChannelConverter, 5, 4)
ORXA_DECLARE_LAYOUT_MIX_CONVERTER(C5ChannelTo7ChannelConverter, 5, 7)
ORXA_DECLARE_LAYOUT_MIX_CONVERTER(C5ChannelTo8ChannelConverter, 5, 8)
ORXA_DECLARE_LAYOUT_MIX_CONVERTER(C6ChannelTo4ChannelConverter, 6, 4)
ORXA_DECLARE_LAYOUT_MIX_CONVERTER(C6ChannelTo5ChannelConverter, 6, 5)
ORXA_DECLARE_LAYOUT_MIX_CONVERTER(C6ChannelTo7ChannelConverter, 6, 7)
ORXA_DECLARE_LAYOUT_MIX_CONVERTER(C6ChannelTo8ChannelConverter, 6, 8)
ORXA_DECLARE_LAYOUT_MIX_CONVERTER(C7ChannelToMonoConverter, 7, 1)
ORXA_DECLARE_LAYOUT_MIX_CONVERTER(C7ChannelToStereoConverter, 7, 2)
ORXA_DECLARE_LAYOUT_MIX_CONVERTER(C7ChannelTo3ChannelConverter, 7, 3)
ORXA_DECLARE_LAYOUT_MIX_CONVERTER(C7ChannelTo4ChannelConverter, 7, 4)
ORXA_DECLARE_LAYOUT_MIX_CONVERTER(C7ChannelTo5ChannelConverter, 7, 5)
ORXA_DECLARE_LAYOUT_MIX_CONVERTER(C7ChannelTo6ChannelConverter, 7, 6)
ORXA_DECLARE_LAYOUT_MIX_CONVERTER(C7ChannelTo7ChannelConverter, 7, 7)
ORXA_DECLARE_LAYOUT_MIX_CONVERTER(C7ChannelTo8ChannelConverter, 7, 8)
ORXA_DECLARE_LAYOUT_MIX_CONVERTER(C8ChannelToMonoConverter, 8, 1)
ORXA_DECLARE_LAYOUT_MIX_CONVERTER(C8ChannelTo3ChannelConverter, 8, 3)
ORXA_DECLARE_LAYOUT_MIX_CONVERTER(C8ChannelTo4ChannelConverter, 8, 4)
ORXA_DECLARE_LAYOUT_MIX_CONVERTER(C8ChannelTo5ChannelConverter, 8, 5)
ORXA_DECLARE_LAYOUT_MIX_CONVERTER(C8ChannelTo7ChannelConverter, 8, 7)
ORXA_DECLARE_LAYOUT_MIX_CONVERTER(C8ChannelTo8ChannelConverter, 8, 8)

#undef ORXA_DECLARE_LAYOUT_MIX_CONVERTER
#undef ORXA_DECLARE_CHANNEL_CONVERTER
#undef ORXA_CHANNEL_CONVERTER_OVERRIDES

} // namespace orxa::samplerateconverter
