#pragma once

#include "tamu/CObject.h"
#include "tamu/P.h"

#include <cstdint>

namespace tamu {
class IMemoryBlock;
class IMutex;
} // namespace tamu

namespace orxa::audio {

class IAudioChunk;

// Hands out audio chunks whose objects are recycled: a chunk whose last reference goes drops
// its block (which goes back to its own memory manager) and waits in the pool for the next
// make, so a producer of one chunk per frame allocates nothing once it is steady. A chunk may
// be released on any thread; it keeps the pool alive while it is out.
class CAudioChunkPool : public tamu::CObject {
public:
    CAudioChunkPool();
    CAudioChunkPool(const CAudioChunkPool&) = delete;
    CAudioChunkPool& operator=(const CAudioChunkPool&) = delete;
    ~CAudioChunkPool() override;

    // A chunk of `block` (shared, not copied) at `time`.
    tamu::P<IAudioChunk> make(double time, tamu::IMemoryBlock* block);
    // The chunks waiting for reuse.
    int32_t getParkedCount() const;

private:
    class CPooledChunk;
    void park(CPooledChunk* chunk);

    tamu::P<tamu::IMutex> m_lock;
    CPooledChunk* m_parked = nullptr;
    int32_t m_parkedCount = 0;
};

} // namespace orxa::audio
