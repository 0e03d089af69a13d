#include "orxa/samplerateconverter/converterErrors.h"

#include <cstdio>
#include <stdexcept>
#include <string>

namespace orxa::samplerateconverter {

namespace {

[[noreturn]] void fail(const std::string& message) {
    throw std::runtime_error(message);
}

template <class... Args>
std::string format(const char* pattern, Args... args) {
    char text[160];
    std::snprintf(text, sizeof text, pattern, args...);
    return text;
}

} // namespace

void throwZeroSourceChannels() {
    fail("CSampleRateConverter: source channel count should not be zero");
}

void throwZeroSourceSampleSize() {
    fail("CSampleRateConverter: source sample size should not be zero");
}

void throwUnsupportedSourceSampleSize(int32_t bytesPerSample) {
    fail(format("CSampleRateConverter: could not convert samples to short SrcBytesPerSample %d",
                bytesPerSample));
}

void throwUnsupportedTargetSampleSize(int32_t bytesPerSample) {
    fail(format("CSampleRateConverter: could not convert short samples to DestBytesPerSample %d",
                bytesPerSample));
}

void throwNoChannelConversion(int32_t sourceChannels, int32_t targetChannels) {
    fail(format("CSampleRateConverter: no suitable ChannelConversion found for %d -> %d",
                sourceChannels, targetChannels));
}

void throwResamplerFailure(const char* reason) {
    fail(format("CSampleRateConverter: the resampler failed (%s)", reason));
}

} // namespace orxa::samplerateconverter
