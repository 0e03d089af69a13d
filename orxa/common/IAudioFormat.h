#pragma once

#include "orxa/common/IFormat.h"

#include <cstdint>

namespace orxa::audio {
class IAudioChunk;
}

namespace orxa::common {

// A format that stores PCM audio handed to it chunk by chunk, each chunk in the layout that
// getSampleRate, getChannels and getBytesPerSample answer. The slot order is the host's contract.
class TAMU_API IAudioFormat : public virtual IFormat {
public:
    virtual int32_t getSampleRate() = 0;
    virtual int32_t getChannels() = 0;
    virtual int32_t getBytesPerSample() = 0;
    virtual void reservedSlot4(int32_t a, int32_t b) = 0;
    virtual void reservedSlot5(int32_t a, int32_t b, int32_t c) = 0;
    virtual void writeAudioChunk(const tamu::P<audio::IAudioChunk>& chunk) = 0;
};

} // namespace orxa::common
