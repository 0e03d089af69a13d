#pragma once

#include <cstdint>

namespace orxa::host {

// The layout of PCM as chunks carry it. A 0 in a wanted layout means "as the file has it".
struct Layout {
    int32_t sampleRate = 0;
    int32_t channels = 0;
    int32_t bytesPerSample = 0;

    bool operator==(const Layout&) const = default;
    bool isComplete() const { return sampleRate > 0 && channels > 0 && bytesPerSample > 0; }
    int32_t frameBytes() const { return channels * bytesPerSample; }
};

} // namespace orxa::host
