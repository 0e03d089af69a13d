#pragma once

#include "orxa/common/ISource.h"

#include <cstdint>

namespace orxa::audio {
class IAudioChunk;
}

namespace orxa::common {

// A source of PCM audio. Every chunk it hands out has the layout that getSampleRate,
// getChannels and getBytesPerSample answer. The slot order is the host's contract.
class TAMU_API IAudioSource : public virtual ISource {
public:
    virtual tamu::P<tamu::IBase> getAuxiliary() = 0;
    virtual void reservedSlot2(int32_t value) = 0;
    // The next chunk; empty at the end of the stream.
    virtual tamu::P<audio::IAudioChunk> getNextAudioChunk() = 0;
    virtual int32_t getSampleRate() = 0;
    virtual int32_t getChannels() = 0;
    virtual int32_t getBytesPerSample() = 0;
    // 4 for mono, 3 for stereo, 0 for any other channel count.
    virtual int32_t getChannelCode() = 0;
};

} // namespace orxa::common
