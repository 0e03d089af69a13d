#include "orxa/samplerateconverter/channelConverters.h"

#include <cstddef>

namespace orxa::samplerateconverter {

using CC = CSampleRateConverter;

namespace {

// The loop every converter shares. `rule(in, out)` maps one frame: `in(i)` reads input channel i
// of the current frame (channels a rule leaves out are never touched) and `out` receives the
// frame's target samples. Channel counts are compile-time so each converter gets its own loop.
template <int Sources, int Targets, class Rule>
inline void forEachFrame(int32_t frames, CC::CChannelConverter::SourcePointers sourcePointers,
                         int32_t sourceFrameBytes,
                         CC::CChannelConverter::TargetPointers targetPointers, Rule rule) {
    const std::ptrdiff_t stride = sourceFrameBytes / 2;
    const int16_t* const* source = sourcePointers.data();
    int16_t* target[Targets];
    for (int c = 0; c < Targets; ++c)
        target[c] = targetPointers[c];
    std::ptrdiff_t position = 0;
    for (int32_t f = 0; f < frames; ++f, position += stride) {
        const auto in = [source, position](int i) { return source[i][position]; };
        int16_t out[Targets];
        rule(in, out);
        for (int c = 0; c < Targets; ++c)
            target[c][f] = out[c];
    }
}

template <int Channels>
inline void copyChannels(int32_t frames, CC::CChannelConverter::SourcePointers sourcePointers,
                         int32_t sourceFrameBytes,
                         CC::CChannelConverter::TargetPointers targetPointers) {
    forEachFrame<Channels, Channels>(frames, sourcePointers, sourceFrameBytes, targetPointers,
                                     [](auto in, int16_t* out) {
                                         for (int c = 0; c < Channels; ++c)
                                             out[c] = in(c);
                                     });
}

} // namespace

#define ORXA_CHANNEL_CONVERT(Name)                                                                 \
    void CC::Name::convert(int32_t frames, SourcePointers sourcePointers,                          \
                           int32_t sourceFrameBytes, TargetPointers targetPointers)

ORXA_CHANNEL_CONVERT(CMonoToMonoConverter) {
    copyChannels<1>(frames, sourcePointers, sourceFrameBytes, targetPointers);
}

ORXA_CHANNEL_CONVERT(CMonoToStereoConverter) {
    forEachFrame<1, 2>(frames, sourcePointers, sourceFrameBytes, targetPointers,
                       [](auto in, int16_t* out) { out[0] = out[1] = in(0); });
}

ORXA_CHANNEL_CONVERT(CMonoTo3ChannelConverter) {
    forEachFrame<1, 3>(frames, sourcePointers, sourceFrameBytes, targetPointers,
                       [](auto in, int16_t* out) {
                           out[0] = out[1] = 0;
                           out[2] = in(0);
                       });
}

ORXA_CHANNEL_CONVERT(CMonoTo6ChannelConverter) {
    forEachFrame<1, 6>(frames, sourcePointers, sourceFrameBytes, targetPointers,
                       [](auto in, int16_t* out) {
                           out[0] = out[1] = out[3] = out[4] = out[5] = 0;
                           out[2] = in(0);
                       });
}

ORXA_CHANNEL_CONVERT(CStereoToMonoConverter) {
    forEachFrame<2, 1>(frames, sourcePointers, sourceFrameBytes, targetPointers,
                       [](auto in, int16_t* out) { out[0] = mixed(in(0), in(1)); });
}

ORXA_CHANNEL_CONVERT(CStereoToStereoConverter) {
    copyChannels<2>(frames, sourcePointers, sourceFrameBytes, targetPointers);
}

ORXA_CHANNEL_CONVERT(CStereoTo3ChannelConverter) {
    forEachFrame<2, 3>(frames, sourcePointers, sourceFrameBytes, targetPointers,
                       [](auto in, int16_t* out) {
                           out[0] = in(0);
                           out[1] = in(1);
                           out[2] = 0;
                       });
}

ORXA_CHANNEL_CONVERT(CStereoTo6ChannelConverter) {
    forEachFrame<2, 6>(frames, sourcePointers, sourceFrameBytes, targetPointers,
                       [](auto in, int16_t* out) {
                           out[0] = in(0);
                           out[1] = in(1);
                           out[2] = out[3] = out[4] = out[5] = 0;
                       });
}

ORXA_CHANNEL_CONVERT(C3ChannelToMonoConverter) {
    forEachFrame<3, 1>(frames, sourcePointers, sourceFrameBytes, targetPointers,
                       [](auto in, int16_t* out) { out[0] = mixed(mixed(in(2), in(0)), in(1)); });
}

ORXA_CHANNEL_CONVERT(C3ChannelToStereoConverter) {
    forEachFrame<3, 2>(frames, sourcePointers, sourceFrameBytes, targetPointers,
                       [](auto in, int16_t* out) {
                           const int16_t centre = attenuated(in(2));
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
                       [](auto in, int16_t* out) {
                           out[0] = in(0);
                           out[1] = in(1);
                           out[2] = out[3] = 0;
                           out[4] = out[5] = in(2);
                       });
}

ORXA_CHANNEL_CONVERT(C3ChannelTo6ChannelConverter) {
    forEachFrame<3, 6>(frames, sourcePointers, sourceFrameBytes, targetPointers,
                       [](auto in, int16_t* out) {
                           out[0] = in(0);
                           out[1] = in(1);
                           out[2] = in(2);
                           out[3] = out[4] = out[5] = 0;
                       });
}

ORXA_CHANNEL_CONVERT(C4ChannelToStereoConverterAcmod5) {
    // L R C S: centre and surround go to both sides.
    forEachFrame<4, 2>(frames, sourcePointers, sourceFrameBytes, targetPointers,
                       [](auto in, int16_t* out) {
                           out[0] = mixedA(mixedA(in(0), in(2)), in(3));
                           out[1] = mixedA(mixedA(in(1), in(2)), in(3));
                       });
}

ORXA_CHANNEL_CONVERT(C4ChannelToStereoConverter) {
    forEachFrame<4, 2>(frames, sourcePointers, sourceFrameBytes, targetPointers,
                       [](auto in, int16_t* out) {
                           out[0] = mixedA(in(0), in(2));
                           out[1] = mixedA(in(1), in(3));
                       });
}

ORXA_CHANNEL_CONVERT(C4ChannelTo4ChannelConverter) {
    copyChannels<4>(frames, sourcePointers, sourceFrameBytes, targetPointers);
}

ORXA_CHANNEL_CONVERT(C4ChannelTo6ChannelConverterAcmod6) {
    forEachFrame<4, 6>(frames, sourcePointers, sourceFrameBytes, targetPointers,
                       [](auto in, int16_t* out) {
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
                       [](auto in, int16_t* out) {
                           out[0] = in(0);
                           out[1] = in(1);
                           out[2] = in(2);
                           out[3] = 0;
                           out[4] = out[5] = in(3);
                       });
}

ORXA_CHANNEL_CONVERT(C5ChannelToStereoConverter) {
    forEachFrame<5, 2>(frames, sourcePointers, sourceFrameBytes, targetPointers,
                       [](auto in, int16_t* out) {
                           out[0] = mixedA(mixedA(in(0), in(2)), in(3));
                           out[1] = mixedA(mixedA(in(1), in(2)), in(4));
                       });
}

ORXA_CHANNEL_CONVERT(C5ChannelTo5ChannelConverter) {
    copyChannels<5>(frames, sourcePointers, sourceFrameBytes, targetPointers);
}

ORXA_CHANNEL_CONVERT(C5ChannelTo6Converter) {
    forEachFrame<5, 6>(frames, sourcePointers, sourceFrameBytes, targetPointers,
                       [](auto in, int16_t* out) {
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
                       [](auto in, int16_t* out) {
                           out[0] = mixed(mixed(mixed(mixed(in(2), in(0)), in(1)), in(3)), in(4));
                       });
}

namespace {

// L R C LFE SL SR to L R: the LFE is left out.
template <int Sources>
inline void sixChannelsToStereo(int32_t frames, CC::CChannelConverter::SourcePointers source,
                                int32_t sourceFrameBytes,
                                CC::CChannelConverter::TargetPointers target) {
    using Mixer = CC::CChannelConverter;
    forEachFrame<Sources, 2>(frames, source, sourceFrameBytes, target, [](auto in, int16_t* out) {
        out[0] = Mixer::mixedA(Mixer::mixedA(in(0), in(2)), in(4));
        out[1] = Mixer::mixedA(Mixer::mixedA(in(1), in(2)), in(5));
    });
}

} // namespace

ORXA_CHANNEL_CONVERT(C6ChannelToStereoConverter) {
    sixChannelsToStereo<6>(frames, sourcePointers, sourceFrameBytes, targetPointers);
}

ORXA_CHANNEL_CONVERT(C6ChannelTo3ChannelConverter) {
    forEachFrame<6, 3>(frames, sourcePointers, sourceFrameBytes, targetPointers,
                       [](auto in, int16_t* out) {
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
                       [](auto in, int16_t* out) {
                           out[0] = in(0);
                           out[1] = in(1);
                           out[2] = in(2);
                           out[3] = in(3);
                           out[4] = mixedA(in(4), in(6));
                           out[5] = mixedA(in(5), in(7));
                       });
}

#undef ORXA_CHANNEL_CONVERT

} // namespace orxa::samplerateconverter
