#include "orxa/samplerateconverter/converterErrors.h"

#include "tamu/CError.h"
#include "tamu/CStringFormat.h"
#include "tamu/stringConv.h"

namespace orxa::samplerateconverter {

namespace {

[[noreturn]] void fail(const tamu::P<tamu::IString>& message) {
    throw tamu::CError(message, nullptr);
}

} // namespace

void throwZeroSourceChannels() {
    fail(tamu::str("CSampleRateConverter: source channel count should not be zero"));
}

void throwZeroSourceSampleSize() {
    fail(tamu::str("CSampleRateConverter: source sample size should not be zero"));
}

void throwUnsupportedSourceSampleSize(int32_t bytesPerSample) {
    fail(tamu::formatString(
        "CSampleRateConverter: could not convert samples to short SrcBytesPerSample %d",
        bytesPerSample));
}

void throwUnsupportedTargetSampleSize(int32_t bytesPerSample) {
    fail(tamu::formatString(
        "CSampleRateConverter: could not convert short samples to DestBytesPerSample %d",
        bytesPerSample));
}

void throwNoChannelConversion(int32_t sourceChannels, int32_t targetChannels) {
    fail(
        tamu::formatString("CSampleRateConverter: no suitable ChannelConversion found for %d -> %d",
                           sourceChannels, targetChannels));
}

void throwResamplerFailure(const char* reason) {
    fail(tamu::formatString("CSampleRateConverter: the resampler failed (%s)",
                            tamu::stringConv::fromUTF8(reason)));
}

} // namespace orxa::samplerateconverter
