#pragma once

#include "orxa/samplerateconverter/CSampleRateConverter.h"

#include <cstdint>
#include <limits>
#include <span>
#include <type_traits>

namespace orxa::samplerateconverter {

// Maps frames of samples from one channel layout to another, 16-bit samples or left-justified
// 32-bit ones by the same rules at their own full scale. Each source pointer walks an
// interleaved buffer, each target pointer a buffer of its own. Converters keep no state between
// calls.
class CSampleRateConverter::CChannelConverter : public tamu::CObject {
public:
    using SourcePointers = std::span<const int16_t* const>;
    using TargetPointers = std::span<int16_t* const>;
    using WideSourcePointers = std::span<const int32_t* const>;
    using WideTargetPointers = std::span<int32_t* const>;

    // sqrt(2) / 2, exactly the double that sqrt(2.0) * 0.5 gives: the gain of a channel that is
    // folded into two others.
    static constexpr double k = 0.70710678118654757;

    // Adds `s` into `d`. The cross term pulls the sum back toward the limit instead of
    // clipping, so the result always fits the sample's width. `attenuate` first scales `s` by
    // k. The rule is the same at 16 and at 32 bits, each at its own full scale, with products
    // twice as wide as the samples.
    template <class Sample>
    static void mix(Sample& d, Sample s, bool attenuate) {
        using Product = std::conditional_t<sizeof(Sample) == 2, int32_t, int64_t>;
        constexpr Product lowest = -static_cast<Product>(std::numeric_limits<Sample>::min());
        constexpr Product highest = std::numeric_limits<Sample>::max();
        if (attenuate)
            s = attenuated(s);
        const Product dd = d;
        const Product ss = s;
        if (ss < 0 && dd < 0)
            d = static_cast<Sample>(dd + ss + (dd * ss) / lowest);
        else if (ss > 0 && dd > 0)
            d = static_cast<Sample>(dd + ss - (dd * ss) / highest);
        else
            d = static_cast<Sample>(dd + ss);
    }
    // s times k, truncated toward zero.
    template <class Sample>
    static Sample attenuated(Sample s) {
        return static_cast<Sample>(s * k);
    }
    // `mix` and `mixA` of the mixing rules, as values.
    template <class Sample>
    static Sample mixed(Sample d, Sample s) {
        mix(d, s, false);
        return d;
    }
    template <class Sample>
    static Sample mixedA(Sample d, Sample s) {
        mix(d, s, true);
        return d;
    }

    int32_t getSourceChannels() const { return m_sourceChannels; }
    int32_t getTargetChannels() const { return m_targetChannels; }
    // -1 when the converter serves any layout with its channel counts.
    int32_t getAcmod() const { return m_acmod; }

    // Writes exactly `frames` samples to every target channel. After each frame the source
    // pointers advance by `sourceFrameBytes` bytes' worth of samples.
    virtual void convert(int32_t frames, SourcePointers sourcePointers, int32_t sourceFrameBytes,
                         TargetPointers targetPointers) = 0;
    virtual void convert(int32_t frames, WideSourcePointers sourcePointers,
                         int32_t sourceFrameBytes, WideTargetPointers targetPointers) = 0;

protected:
    CChannelConverter(int32_t sourceChannels, int32_t targetChannels, int32_t acmod)
        : m_sourceChannels(sourceChannels), m_targetChannels(targetChannels), m_acmod(acmod) {}

private:
    int32_t m_sourceChannels;
    int32_t m_targetChannels;
    int32_t m_acmod;
};

} // namespace orxa::samplerateconverter
