#pragma once

#include "orxa/audio/IAudioChunk.h"
#include "tamu/CObject.h"

namespace orxa::host {

// The chunks the tool hands a format: a memory block from the host's memory manager and the
// stream time of its first frame.
class CHostAudioChunk : public tamu::CObject, public virtual orxa::audio::IAudioChunk {
public:
    CHostAudioChunk(double time, tamu::P<tamu::IMemoryBlock> block);
    ~CHostAudioChunk() override;

    double getTime() const override;
    uint8_t* getData() override;
    int32_t getSize() const override;
    tamu::P<tamu::IMemoryBlock> getMemoryBlock() const override;

    // The time, then the block's own form, as every chunk of the framework is stored.
    void serialize(tamu::ISerializationWriter& out) const override;
    bool deserialize(tamu::ISerializationReader& in) override;

private:
    double m_time;
    tamu::P<tamu::IMemoryBlock> m_block;
};

} // namespace orxa::host
