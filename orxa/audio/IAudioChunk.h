#pragma once

#include "tamu/ISerializable.h"

#include <cstdint>

namespace tamu {
class IMemoryBlock;
}

namespace orxa::audio {

// Interleaved little-endian PCM frames in a memory block, with the stream time they belong to.
// The sample format is the producer's; the chunk only carries the bytes. The slot order is the
// host's contract.
class TAMU_API IAudioChunk : public virtual tamu::IBase, public virtual tamu::ISerializable {
public:
    virtual double getTime() const = 0;
    virtual uint8_t* getData() = 0;
    virtual int32_t getSize() const = 0;
    virtual tamu::P<tamu::IMemoryBlock> getMemoryBlock() const = 0;
};

} // namespace orxa::audio
