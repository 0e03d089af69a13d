#pragma once

#include <cstdint>

namespace orxa::samplerateconverter {

// The failures of the sample-rate converter, each thrown from one place with its fixed text.
[[noreturn]] void throwZeroSourceChannels();
[[noreturn]] void throwZeroSourceSampleSize();
[[noreturn]] void throwUnsupportedSourceSampleSize(int32_t bytesPerSample);
[[noreturn]] void throwUnsupportedTargetSampleSize(int32_t bytesPerSample);
[[noreturn]] void throwNoChannelConversion(int32_t sourceChannels, int32_t targetChannels);
[[noreturn]] void throwResamplerFailure(const char* reason);

} // namespace orxa::samplerateconverter
