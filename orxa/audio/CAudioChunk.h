#pragma once

#include "orxa/audio/IAudioChunk.h"
#include "tamu/CObject.h"

namespace orxa::audio {

// The one audio chunk: it shares its block, never copies it, so a producer that refills the same
// block changes what an earlier chunk reports.
class CAudioChunk : public tamu::CObject, public virtual IAudioChunk {
public:
    CAudioChunk(double time, tamu::IMemoryBlock* block);
    ~CAudioChunk() override;

    double getTime() const override;
    uint8_t* getData() override;
    int32_t getSize() const override;
    tamu::P<tamu::IMemoryBlock> getMemoryBlock() const override;

    // The time, then the block's own form (its size and bytes). A chunk without a block writes
    // the form of an empty block so that a reader of chunks stays in step.
    void serialize(tamu::ISerializationWriter& out) const override;
    // Needs a block to read into; without one it reads nothing and reports failure.
    bool deserialize(tamu::ISerializationReader& in) override;

protected:
    // For a chunk object that is used again.
    void rebind(double time, tamu::IMemoryBlock* block);

private:
    double m_time;
    tamu::P<tamu::IMemoryBlock> m_block;
};

} // namespace orxa::audio
