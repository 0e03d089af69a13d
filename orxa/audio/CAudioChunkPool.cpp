#include "orxa/audio/CAudioChunkPool.h"

#include "orxa/audio/CAudioChunk.h"
#include "tamu/IMemoryBlock.h"
#include "tamu/IMutex.h"
#include "tamu/IMutexFactory.h"
#include "tamu/platformServices.h"

namespace orxa::audio {

class CAudioChunkPool::CPooledChunk : public CAudioChunk {
public:
    CPooledChunk(CAudioChunkPool* pool, double time, tamu::IMemoryBlock* block)
        : CAudioChunk(time, block), m_pool(pool) {}

protected:
    void destroy() const override {
        auto* self = const_cast<CPooledChunk*>(this);
        if (!m_pool) {
            delete this;
            return;
        }
        // Held until the chunk is parked: the pool may have no other owner.
        tamu::P<CAudioChunkPool> pool = std::move(self->m_pool);
        self->rebind(0.0, nullptr);
        pool->park(self);
    }

private:
    friend class CAudioChunkPool;
    tamu::P<CAudioChunkPool> m_pool; // null while the chunk waits in the pool
    CPooledChunk* m_next = nullptr;
};

CAudioChunkPool::CAudioChunkPool() : m_lock(tamu::getMutexFactory()->createMutex()) {}

CAudioChunkPool::~CAudioChunkPool() {
    while (m_parked) {
        CPooledChunk* next = m_parked->m_next;
        delete m_parked;
        m_parked = next;
    }
}

tamu::P<IAudioChunk> CAudioChunkPool::make(double time, tamu::IMemoryBlock* block) {
    CPooledChunk* chunk;
    {
        tamu::CMutexLock guard(*m_lock);
        chunk = m_parked;
        if (chunk) {
            m_parked = chunk->m_next;
            --m_parkedCount;
        }
    }
    if (!chunk)
        return tamu::adopt<IAudioChunk>(new CPooledChunk(this, time, block));
    chunk->m_next = nullptr;
    chunk->m_pool = tamu::P<CAudioChunkPool>(this);
    chunk->rebind(time, block);
    chunk->resetRefCount();
    return tamu::adopt<IAudioChunk>(chunk);
}

int32_t CAudioChunkPool::getParkedCount() const {
    tamu::CMutexLock guard(*m_lock);
    return m_parkedCount;
}

void CAudioChunkPool::park(CPooledChunk* chunk) {
    tamu::CMutexLock guard(*m_lock);
    chunk->m_next = m_parked;
    m_parked = chunk;
    ++m_parkedCount;
}

} // namespace orxa::audio
