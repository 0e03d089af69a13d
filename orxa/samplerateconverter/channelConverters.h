#pragma once

#include "orxa/samplerateconverter/CChannelConverter.h"

namespace orxa::samplerateconverter {

// One converter per pair of layouts. Channel orders: 1 is M; 2 are L R; 3 are L R C (L R S for
// acmod 4); 4 are L R SL SR (L R C S for acmod 5); 5 are L R C SL SR; 6 are L R C LFE SL SR;
// 8 are L R C LFE SL SR BL BR. The sample-rate converter creates them in the order below, and
// that order decides which of two candidates serves a call.

class CSampleRateConverter::CMonoToMonoConverter final : public CChannelConverter {
public:
    CMonoToMonoConverter() : CChannelConverter(1, 1, -1) {}
    void convert(int32_t frames, SourcePointers sourcePointers, int32_t sourceFrameBytes,
                 TargetPointers targetPointers) override;
};

class CSampleRateConverter::CMonoToStereoConverter final : public CChannelConverter {
public:
    CMonoToStereoConverter() : CChannelConverter(1, 2, -1) {}
    void convert(int32_t frames, SourcePointers sourcePointers, int32_t sourceFrameBytes,
                 TargetPointers targetPointers) override;
};

class CSampleRateConverter::CMonoTo3ChannelConverter final : public CChannelConverter {
public:
    CMonoTo3ChannelConverter() : CChannelConverter(1, 3, -1) {}
    void convert(int32_t frames, SourcePointers sourcePointers, int32_t sourceFrameBytes,
                 TargetPointers targetPointers) override;
};

class CSampleRateConverter::CMonoTo6ChannelConverter final : public CChannelConverter {
public:
    CMonoTo6ChannelConverter() : CChannelConverter(1, 6, -1) {}
    void convert(int32_t frames, SourcePointers sourcePointers, int32_t sourceFrameBytes,
                 TargetPointers targetPointers) override;
};

class CSampleRateConverter::CStereoToMonoConverter final : public CChannelConverter {
public:
    CStereoToMonoConverter() : CChannelConverter(2, 1, -1) {}
    void convert(int32_t frames, SourcePointers sourcePointers, int32_t sourceFrameBytes,
                 TargetPointers targetPointers) override;
};

class CSampleRateConverter::CStereoToStereoConverter final : public CChannelConverter {
public:
    CStereoToStereoConverter() : CChannelConverter(2, 2, -1) {}
    void convert(int32_t frames, SourcePointers sourcePointers, int32_t sourceFrameBytes,
                 TargetPointers targetPointers) override;
};

class CSampleRateConverter::CStereoTo3ChannelConverter final : public CChannelConverter {
public:
    CStereoTo3ChannelConverter() : CChannelConverter(2, 3, -1) {}
    void convert(int32_t frames, SourcePointers sourcePointers, int32_t sourceFrameBytes,
                 TargetPointers targetPointers) override;
};

class CSampleRateConverter::CStereoTo6ChannelConverter final : public CChannelConverter {
public:
    CStereoTo6ChannelConverter() : CChannelConverter(2, 6, -1) {}
    void convert(int32_t frames, SourcePointers sourcePointers, int32_t sourceFrameBytes,
                 TargetPointers targetPointers) override;
};

class CSampleRateConverter::C3ChannelToMonoConverter final : public CChannelConverter {
public:
    C3ChannelToMonoConverter() : CChannelConverter(3, 1, -1) {}
    void convert(int32_t frames, SourcePointers sourcePointers, int32_t sourceFrameBytes,
                 TargetPointers targetPointers) override;
};

class CSampleRateConverter::C3ChannelToStereoConverter final : public CChannelConverter {
public:
    C3ChannelToStereoConverter() : CChannelConverter(3, 2, -1) {}
    void convert(int32_t frames, SourcePointers sourcePointers, int32_t sourceFrameBytes,
                 TargetPointers targetPointers) override;
};

class CSampleRateConverter::C3ChannelTo3ChannelConverter final : public CChannelConverter {
public:
    C3ChannelTo3ChannelConverter() : CChannelConverter(3, 3, -1) {}
    void convert(int32_t frames, SourcePointers sourcePointers, int32_t sourceFrameBytes,
                 TargetPointers targetPointers) override;
};

class CSampleRateConverter::C3ChannelTo6ChannelConverterAcmod4 final : public CChannelConverter {
public:
    C3ChannelTo6ChannelConverterAcmod4() : CChannelConverter(3, 6, 4) {}
    void convert(int32_t frames, SourcePointers sourcePointers, int32_t sourceFrameBytes,
                 TargetPointers targetPointers) override;
};

class CSampleRateConverter::C3ChannelTo6ChannelConverter final : public CChannelConverter {
public:
    C3ChannelTo6ChannelConverter() : CChannelConverter(3, 6, -1) {}
    void convert(int32_t frames, SourcePointers sourcePointers, int32_t sourceFrameBytes,
                 TargetPointers targetPointers) override;
};

class CSampleRateConverter::C4ChannelToStereoConverterAcmod5 final : public CChannelConverter {
public:
    C4ChannelToStereoConverterAcmod5() : CChannelConverter(4, 2, 5) {}
    void convert(int32_t frames, SourcePointers sourcePointers, int32_t sourceFrameBytes,
                 TargetPointers targetPointers) override;
};

class CSampleRateConverter::C4ChannelToStereoConverter final : public CChannelConverter {
public:
    C4ChannelToStereoConverter() : CChannelConverter(4, 2, -1) {}
    void convert(int32_t frames, SourcePointers sourcePointers, int32_t sourceFrameBytes,
                 TargetPointers targetPointers) override;
};

class CSampleRateConverter::C4ChannelTo4ChannelConverter final : public CChannelConverter {
public:
    C4ChannelTo4ChannelConverter() : CChannelConverter(4, 4, -1) {}
    void convert(int32_t frames, SourcePointers sourcePointers, int32_t sourceFrameBytes,
                 TargetPointers targetPointers) override;
};

class CSampleRateConverter::C4ChannelTo6ChannelConverterAcmod6 final : public CChannelConverter {
public:
    C4ChannelTo6ChannelConverterAcmod6() : CChannelConverter(4, 6, -1) {}
    void convert(int32_t frames, SourcePointers sourcePointers, int32_t sourceFrameBytes,
                 TargetPointers targetPointers) override;
};

class CSampleRateConverter::C4ChannelTo6ChannelConverter final : public CChannelConverter {
public:
    C4ChannelTo6ChannelConverter() : CChannelConverter(4, 6, 5) {}
    void convert(int32_t frames, SourcePointers sourcePointers, int32_t sourceFrameBytes,
                 TargetPointers targetPointers) override;
};

class CSampleRateConverter::C5ChannelToStereoConverter final : public CChannelConverter {
public:
    C5ChannelToStereoConverter() : CChannelConverter(5, 2, -1) {}
    void convert(int32_t frames, SourcePointers sourcePointers, int32_t sourceFrameBytes,
                 TargetPointers targetPointers) override;
};

class CSampleRateConverter::C5ChannelTo5ChannelConverter final : public CChannelConverter {
public:
    C5ChannelTo5ChannelConverter() : CChannelConverter(5, 5, -1) {}
    void convert(int32_t frames, SourcePointers sourcePointers, int32_t sourceFrameBytes,
                 TargetPointers targetPointers) override;
};

class CSampleRateConverter::C5ChannelTo6Converter final : public CChannelConverter {
public:
    C5ChannelTo6Converter() : CChannelConverter(5, 6, -1) {}
    void convert(int32_t frames, SourcePointers sourcePointers, int32_t sourceFrameBytes,
                 TargetPointers targetPointers) override;
};

class CSampleRateConverter::C6ChannelToMonoConverter final : public CChannelConverter {
public:
    C6ChannelToMonoConverter() : CChannelConverter(6, 1, -1) {}
    void convert(int32_t frames, SourcePointers sourcePointers, int32_t sourceFrameBytes,
                 TargetPointers targetPointers) override;
};

class CSampleRateConverter::C6ChannelToStereoConverter final : public CChannelConverter {
public:
    C6ChannelToStereoConverter() : CChannelConverter(6, 2, -1) {}
    void convert(int32_t frames, SourcePointers sourcePointers, int32_t sourceFrameBytes,
                 TargetPointers targetPointers) override;
};

class CSampleRateConverter::C6ChannelTo3ChannelConverter final : public CChannelConverter {
public:
    C6ChannelTo3ChannelConverter() : CChannelConverter(6, 3, -1) {}
    void convert(int32_t frames, SourcePointers sourcePointers, int32_t sourceFrameBytes,
                 TargetPointers targetPointers) override;
};

class CSampleRateConverter::C6ChannelTo6ChannelConverter final : public CChannelConverter {
public:
    C6ChannelTo6ChannelConverter() : CChannelConverter(6, 6, -1) {}
    void convert(int32_t frames, SourcePointers sourcePointers, int32_t sourceFrameBytes,
                 TargetPointers targetPointers) override;
};

class CSampleRateConverter::C8ChannelToStereoConverter final : public CChannelConverter {
public:
    C8ChannelToStereoConverter() : CChannelConverter(8, 2, -1) {}
    void convert(int32_t frames, SourcePointers sourcePointers, int32_t sourceFrameBytes,
                 TargetPointers targetPointers) override;
};

class CSampleRateConverter::C8ChannelTo6ChannelConverter final : public CChannelConverter {
public:
    C8ChannelTo6ChannelConverter() : CChannelConverter(8, 6, -1) {}
    void convert(int32_t frames, SourcePointers sourcePointers, int32_t sourceFrameBytes,
                 TargetPointers targetPointers) override;
};

} // namespace orxa::samplerateconverter
