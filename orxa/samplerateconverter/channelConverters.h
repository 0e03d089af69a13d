#pragma once

#include "orxa/samplerateconverter/CChannelConverter.h"
#include "orxa/samplerateconverter/channelConverterTable.h"

#include <array>

namespace orxa::samplerateconverter {

// One converter per pair of layouts. Channel orders: 1 is M; 2 are L R; 3 are L R C (L R S for
// acmod 4); 4 are L R SL SR (L R C S for acmod 5); 5 are L R C SL SR; 6 are L R C LFE SL SR;
// 7 are L R C LFE BC SL SR; 8 are L R C LFE SL SR BL BR. The classes and their order are those of
// channelConverterTable.h.

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

ORXA_RULE_CHANNEL_CONVERTERS(ORXA_DECLARE_CHANNEL_CONVERTER)

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

ORXA_LAYOUT_MIX_CHANNEL_CONVERTERS(ORXA_DECLARE_LAYOUT_MIX_CONVERTER)

#undef ORXA_DECLARE_LAYOUT_MIX_CONVERTER
#undef ORXA_DECLARE_CHANNEL_CONVERTER
#undef ORXA_CHANNEL_CONVERTER_OVERRIDES

} // namespace orxa::samplerateconverter
