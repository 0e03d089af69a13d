#include "orxa/samplerateconverter/channelConverters.h"

#include <algorithm>
#include <cstddef>

namespace orxa::samplerateconverter {

using CC = CSampleRateConverter;

namespace {

// The loop every converter shares. `rule(in, out)` maps one frame: `in(i)` reads input channel i
// of the current frame (channels a rule leaves out are never touched) and `out` receives the
// frame's target samples. Channel counts are compile-time so each converter gets its own loop.
template <int Sources, int Targets, class Sample, class Rule>
inline void forEachFrame(int32_t frames, std::span<const Sample* const> sourcePointers,
                         int32_t sourceFrameBytes, std::span<Sample* const> targetPointers,
                         Rule rule) {
    const std::ptrdiff_t stride = sourceFrameBytes / static_cast<int32_t>(sizeof(Sample));
    const Sample* const* source = sourcePointers.data();
    Sample* target[Targets];
    for (int c = 0; c < Targets; ++c)
        target[c] = targetPointers[c];
    std::ptrdiff_t position = 0;
    for (int32_t f = 0; f < frames; ++f, position += stride) {
        const auto in = [source, position](int i) { return source[i][position]; };
        Sample out[Targets];
        rule(in, out);
        for (int c = 0; c < Targets; ++c)
            target[c][f] = out[c];
    }
}

template <int Channels, class Sample>
inline void copyChannels(int32_t frames, std::span<const Sample* const> sourcePointers,
                         int32_t sourceFrameBytes, std::span<Sample* const> targetPointers) {
    forEachFrame<Channels, Channels>(frames, sourcePointers, sourceFrameBytes, targetPointers,
                                     [](auto in, auto* out) {
                                         for (int c = 0; c < Channels; ++c)
                                             out[c] = in(c);
                                     });
}

// The mixing rules as free functions, so that the rules below read alike for both widths.
template <class Sample>
inline Sample mixed(Sample d, Sample s) {
    return CC::CChannelConverter::mixed(d, s);
}
template <class Sample>
inline Sample mixedA(Sample d, Sample s) {
    return CC::CChannelConverter::mixedA(d, s);
}
template <class Sample>
inline Sample attenuated(Sample s) {
    return CC::CChannelConverter::attenuated(s);
}

} // namespace

// Each rule is written once, for either sample width; both overrides of the converter run it.
#define ORXA_CHANNEL_CONVERT(Name)                                                                 \
    template <class Sample>                                                                        \
    static void Name##Rule(int32_t frames, std::span<const Sample* const> sourcePointers,          \
                           int32_t sourceFrameBytes, std::span<Sample* const> targetPointers);     \
    void CC::Name::convert(int32_t frames, SourcePointers sourcePointers,                          \
                           int32_t sourceFrameBytes, TargetPointers targetPointers) {              \
        Name##Rule<int16_t>(frames, sourcePointers, sourceFrameBytes, targetPointers);             \
    }                                                                                              \
    void CC::Name::convert(int32_t frames, WideSourcePointers sourcePointers,                      \
                           int32_t sourceFrameBytes, WideTargetPointers targetPointers) {          \
        Name##Rule<int32_t>(frames, sourcePointers, sourceFrameBytes, targetPointers);             \
    }                                                                                              \
    template <class Sample>                                                                        \
    static void Name##Rule(int32_t frames, std::span<const Sample* const> sourcePointers,          \
                           int32_t sourceFrameBytes, std::span<Sample* const> targetPointers)

ORXA_CHANNEL_CONVERT(CMonoToMonoConverter) {
    copyChannels<1>(frames, sourcePointers, sourceFrameBytes, targetPointers);
}

ORXA_CHANNEL_CONVERT(CMonoToStereoConverter) {
    forEachFrame<1, 2>(frames, sourcePointers, sourceFrameBytes, targetPointers,
                       [](auto in, auto* out) { out[0] = out[1] = in(0); });
}

ORXA_CHANNEL_CONVERT(CMonoTo3ChannelConverter) {
    forEachFrame<1, 3>(frames, sourcePointers, sourceFrameBytes, targetPointers,
                       [](auto in, auto* out) {
                           out[0] = out[1] = 0;
                           out[2] = in(0);
                       });
}

ORXA_CHANNEL_CONVERT(CMonoTo6ChannelConverter) {
    forEachFrame<1, 6>(frames, sourcePointers, sourceFrameBytes, targetPointers,
                       [](auto in, auto* out) {
                           out[0] = out[1] = out[3] = out[4] = out[5] = 0;
                           out[2] = in(0);
                       });
}

ORXA_CHANNEL_CONVERT(CStereoToMonoConverter) {
    forEachFrame<2, 1>(frames, sourcePointers, sourceFrameBytes, targetPointers,
                       [](auto in, auto* out) { out[0] = mixed(in(0), in(1)); });
}

ORXA_CHANNEL_CONVERT(CStereoToStereoConverter) {
    copyChannels<2>(frames, sourcePointers, sourceFrameBytes, targetPointers);
}

ORXA_CHANNEL_CONVERT(CStereoTo3ChannelConverter) {
    forEachFrame<2, 3>(frames, sourcePointers, sourceFrameBytes, targetPointers,
                       [](auto in, auto* out) {
                           out[0] = in(0);
                           out[1] = in(1);
                           out[2] = 0;
                       });
}

ORXA_CHANNEL_CONVERT(CStereoTo6ChannelConverter) {
    forEachFrame<2, 6>(frames, sourcePointers, sourceFrameBytes, targetPointers,
                       [](auto in, auto* out) {
                           out[0] = in(0);
                           out[1] = in(1);
                           out[2] = out[3] = out[4] = out[5] = 0;
                       });
}

ORXA_CHANNEL_CONVERT(C3ChannelToMonoConverter) {
    forEachFrame<3, 1>(frames, sourcePointers, sourceFrameBytes, targetPointers,
                       [](auto in, auto* out) { out[0] = mixed(mixed(in(2), in(0)), in(1)); });
}

ORXA_CHANNEL_CONVERT(C3ChannelToStereoConverter) {
    forEachFrame<3, 2>(frames, sourcePointers, sourceFrameBytes, targetPointers,
                       [](auto in, auto* out) {
                           const Sample centre = attenuated(in(2));
                           out[0] = mixed(centre, in(0));
                           out[1] = mixed(centre, in(1));
                       });
}

ORXA_CHANNEL_CONVERT(C3ChannelTo3ChannelConverter) {
    copyChannels<3>(frames, sourcePointers, sourceFrameBytes, targetPointers);
}

ORXA_CHANNEL_CONVERT(C3ChannelTo6ChannelConverterAcmod4) {
    // L R S: the surround feeds both surround outputs.
    forEachFrame<3, 6>(frames, sourcePointers, sourceFrameBytes, targetPointers,
                       [](auto in, auto* out) {
                           out[0] = in(0);
                           out[1] = in(1);
                           out[2] = out[3] = 0;
                           out[4] = out[5] = in(2);
                       });
}

ORXA_CHANNEL_CONVERT(C3ChannelTo6ChannelConverter) {
    forEachFrame<3, 6>(frames, sourcePointers, sourceFrameBytes, targetPointers,
                       [](auto in, auto* out) {
                           out[0] = in(0);
                           out[1] = in(1);
                           out[2] = in(2);
                           out[3] = out[4] = out[5] = 0;
                       });
}

ORXA_CHANNEL_CONVERT(C4ChannelToStereoConverterAcmod5) {
    // L R C S: centre and surround go to both sides.
    forEachFrame<4, 2>(frames, sourcePointers, sourceFrameBytes, targetPointers,
                       [](auto in, auto* out) {
                           out[0] = mixedA(mixedA(in(0), in(2)), in(3));
                           out[1] = mixedA(mixedA(in(1), in(2)), in(3));
                       });
}

ORXA_CHANNEL_CONVERT(C4ChannelToStereoConverter) {
    forEachFrame<4, 2>(frames, sourcePointers, sourceFrameBytes, targetPointers,
                       [](auto in, auto* out) {
                           out[0] = mixedA(in(0), in(2));
                           out[1] = mixedA(in(1), in(3));
                       });
}

ORXA_CHANNEL_CONVERT(C4ChannelTo4ChannelConverter) {
    copyChannels<4>(frames, sourcePointers, sourceFrameBytes, targetPointers);
}

ORXA_CHANNEL_CONVERT(C4ChannelTo6ChannelConverterAcmod6) {
    forEachFrame<4, 6>(frames, sourcePointers, sourceFrameBytes, targetPointers,
                       [](auto in, auto* out) {
                           out[0] = in(0);
                           out[1] = in(1);
                           out[2] = out[3] = 0;
                           out[4] = in(2);
                           out[5] = in(3);
                       });
}

ORXA_CHANNEL_CONVERT(C4ChannelTo6ChannelConverter) {
    // L R C S: the one surround feeds both surround outputs.
    forEachFrame<4, 6>(frames, sourcePointers, sourceFrameBytes, targetPointers,
                       [](auto in, auto* out) {
                           out[0] = in(0);
                           out[1] = in(1);
                           out[2] = in(2);
                           out[3] = 0;
                           out[4] = out[5] = in(3);
                       });
}

ORXA_CHANNEL_CONVERT(C5ChannelToStereoConverter) {
    forEachFrame<5, 2>(frames, sourcePointers, sourceFrameBytes, targetPointers,
                       [](auto in, auto* out) {
                           out[0] = mixedA(mixedA(in(0), in(2)), in(3));
                           out[1] = mixedA(mixedA(in(1), in(2)), in(4));
                       });
}

ORXA_CHANNEL_CONVERT(C5ChannelTo5ChannelConverter) {
    copyChannels<5>(frames, sourcePointers, sourceFrameBytes, targetPointers);
}

ORXA_CHANNEL_CONVERT(C5ChannelTo6Converter) {
    forEachFrame<5, 6>(frames, sourcePointers, sourceFrameBytes, targetPointers,
                       [](auto in, auto* out) {
                           out[0] = in(0);
                           out[1] = in(1);
                           out[2] = in(2);
                           out[3] = 0;
                           out[4] = in(3);
                           out[5] = in(4);
                       });
}

ORXA_CHANNEL_CONVERT(C6ChannelToMonoConverter) {
    // The surround right (s5) stays out of the mono mix.
    forEachFrame<6, 1>(frames, sourcePointers, sourceFrameBytes, targetPointers,
                       [](auto in, auto* out) {
                           out[0] = mixed(mixed(mixed(mixed(in(2), in(0)), in(1)), in(3)), in(4));
                       });
}

namespace {

// L R C LFE SL SR to L R: the LFE is left out.
template <int Sources, class Sample>
inline void sixChannelsToStereo(int32_t frames, std::span<const Sample* const> source,
                                int32_t sourceFrameBytes, std::span<Sample* const> target) {
    forEachFrame<Sources, 2>(frames, source, sourceFrameBytes, target, [](auto in, auto* out) {
        out[0] = mixedA(mixedA(in(0), in(2)), in(4));
        out[1] = mixedA(mixedA(in(1), in(2)), in(5));
    });
}

} // namespace

ORXA_CHANNEL_CONVERT(C6ChannelToStereoConverter) {
    sixChannelsToStereo<6>(frames, sourcePointers, sourceFrameBytes, targetPointers);
}

ORXA_CHANNEL_CONVERT(C6ChannelTo3ChannelConverter) {
    forEachFrame<6, 3>(frames, sourcePointers, sourceFrameBytes, targetPointers,
                       [](auto in, auto* out) {
                           out[0] = mixedA(in(0), in(3));
                           out[1] = mixedA(in(1), in(4));
                           out[2] = in(2);
                       });
}

ORXA_CHANNEL_CONVERT(C6ChannelTo6ChannelConverter) {
    copyChannels<6>(frames, sourcePointers, sourceFrameBytes, targetPointers);
}

ORXA_CHANNEL_CONVERT(C8ChannelToStereoConverter) {
    // The back channels stay out, as the LFE does.
    sixChannelsToStereo<8>(frames, sourcePointers, sourceFrameBytes, targetPointers);
}

ORXA_CHANNEL_CONVERT(C8ChannelTo6ChannelConverter) {
    // Each back channel folds into the surround on its side.
    forEachFrame<8, 6>(frames, sourcePointers, sourceFrameBytes, targetPointers,
                       [](auto in, auto* out) {
                           out[0] = in(0);
                           out[1] = in(1);
                           out[2] = in(2);
                           out[3] = in(3);
                           out[4] = mixedA(in(4), in(6));
                           out[5] = mixedA(in(5), in(7));
                       });
}

#undef ORXA_CHANNEL_CONVERT

namespace {

enum class Role : uint8_t {
    mono,
    left,
    right,
    centre,
    lfe,
    surroundLeft,
    surroundRight,
    backLeft,
    backRight,
    backCentre
};

// The role of each channel of a layout with `channels` channels, in channel order.
std::span<const Role> rolesOf(int32_t channels) {
    using enum Role;
    static constexpr Role layouts[8][8] = {
        {mono},
        {left, right},
        {left, right, centre},
        {left, right, surroundLeft, surroundRight},
        {left, right, centre, surroundLeft, surroundRight},
        {left, right, centre, lfe, surroundLeft, surroundRight},
        {left, right, centre, lfe, backCentre, surroundLeft, surroundRight},
        {left, right, centre, lfe, surroundLeft, surroundRight, backLeft, backRight},
    };
    return {layouts[channels - 1], static_cast<size_t>(channels)};
}

// Where a source channel of `role` goes in a target layout that lacks it: the nearest channels
// the target has, in order of preference. The LFE goes nowhere.
std::span<const Role> foldTargets(Role role, std::span<const Role> target) {
    using enum Role;
    const auto has = [target](Role r) {
        for (Role t : target)
            if (t == r)
                return true;
        return false;
    };
    static constexpr Role fronts[] = {left, right};
    static constexpr Role toCentre[] = {centre};
    static constexpr Role toMono[] = {mono};
    static constexpr Role surrounds[] = {surroundLeft, surroundRight};
    static constexpr Role backs[] = {backLeft, backRight};
    static constexpr Role toLeft[] = {left};
    static constexpr Role toRight[] = {right};
    static constexpr Role toSurroundLeft[] = {surroundLeft};
    static constexpr Role toSurroundRight[] = {surroundRight};
    if (role == lfe)
        return {};
    if (has(mono))
        return toMono;
    switch (role) {
    case mono:
        return has(centre) ? std::span<const Role>(toCentre) : std::span<const Role>(fronts);
    case centre:
        return fronts;
    case surroundLeft:
        return toLeft;
    case surroundRight:
        return toRight;
    case backLeft:
        return has(surroundLeft) ? std::span<const Role>(toSurroundLeft)
                                 : std::span<const Role>(toLeft);
    case backRight:
        return has(surroundRight) ? std::span<const Role>(toSurroundRight)
                                  : std::span<const Role>(toRight);
    case backCentre:
        if (has(backLeft))
            return backs;
        return has(surroundLeft) ? std::span<const Role>(surrounds) : std::span<const Role>(fronts);
    default:
        return {};
    }
}

} // namespace

CC::CLayoutMixConverter::CLayoutMixConverter(int32_t sourceChannels, int32_t targetChannels)
    : CChannelConverter(sourceChannels, targetChannels, -1) {
    const std::span<const Role> source = rolesOf(sourceChannels);
    const std::span<const Role> target = rolesOf(targetChannels);
    const auto add = [this](size_t c, int32_t s, bool attenuate) {
        m_terms[c][m_termCounts[c]++] = {static_cast<int8_t>(s), attenuate};
    };
    // A mono target starts from the centre, as the mono downmixes of the table do; every other
    // target channel starts from the source channel of its own role.
    for (size_t c = 0; c < target.size(); ++c) {
        const Role own = target[c] == Role::mono ? Role::centre : target[c];
        for (size_t s = 0; s < source.size(); ++s)
            if (source[s] == own || (source[s] == Role::mono && target[c] == Role::mono))
                add(c, static_cast<int32_t>(s), false);
    }
    for (size_t s = 0; s < source.size(); ++s) {
        const Role role = source[s];
        if (std::find(target.begin(), target.end(), role) != target.end())
            continue;
        if (target[0] == Role::mono && role == Role::centre)
            continue; // already the start
        const bool intoMono = target[0] == Role::mono;
        // Into mono the fronts and the centre count in full, as in the table's downmixes, the
        // surrounds attenuated; a mono source spreads without attenuation.
        const bool full =
            role == Role::mono || (intoMono && (role == Role::left || role == Role::right));
        for (Role to : foldTargets(role, target))
            for (size_t c = 0; c < target.size(); ++c)
                if (target[c] == to)
                    add(c, static_cast<int32_t>(s), !full);
    }
}

template <class Sample>
void CC::CLayoutMixConverter::run(int32_t frames, std::span<const Sample* const> sourcePointers,
                                  int32_t sourceFrameBytes,
                                  std::span<Sample* const> targetPointers) const {
    const std::ptrdiff_t stride = sourceFrameBytes / static_cast<int32_t>(sizeof(Sample));
    const size_t targets = static_cast<size_t>(getTargetChannels());
    for (size_t c = 0; c < targets; ++c) {
        Sample* out = targetPointers[c];
        const std::span<const Term> terms = getTerms(static_cast<int32_t>(c));
        std::ptrdiff_t position = 0;
        for (int32_t f = 0; f < frames; ++f, position += stride) {
            Sample d = 0;
            for (const Term& term : terms)
                mix(d, sourcePointers[static_cast<size_t>(term.source)][position], term.attenuate);
            out[f] = d;
        }
    }
}

void CC::CLayoutMixConverter::convert(int32_t frames, SourcePointers sourcePointers,
                                      int32_t sourceFrameBytes, TargetPointers targetPointers) {
    run<int16_t>(frames, sourcePointers, sourceFrameBytes, targetPointers);
}

void CC::CLayoutMixConverter::convert(int32_t frames, WideSourcePointers sourcePointers,
                                      int32_t sourceFrameBytes, WideTargetPointers targetPointers) {
    run<int32_t>(frames, sourcePointers, sourceFrameBytes, targetPointers);
}

} // namespace orxa::samplerateconverter
