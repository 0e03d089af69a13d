#pragma once

#include "orxa/audio/IAudioChunk.h"
#include "tamu/CMemoryManager.h"
#include "tamu/IMemoryBlock.h"
#include "tamu/IMemoryManager.h"

#include <cstdint>
#include <cstring>
#include <new>
#include <vector>

namespace orxa::testing {

inline tamu::P<tamu::IMemoryManager> newMemoryManager() {
    return tamu::make<tamu::CMemoryManager>(30);
}

inline int32_t refCountOf(const tamu::IBase* object) {
    return dynamic_cast<const tamu::CReferencable*>(object)->getRefCount();
}

inline std::vector<uint8_t> bytesOf(audio::IAudioChunk& chunk) {
    const uint8_t* data = chunk.getData();
    return data ? std::vector<uint8_t>(data, data + chunk.getSize()) : std::vector<uint8_t>{};
}

inline std::vector<int16_t> samplesOf(audio::IAudioChunk& chunk) {
    std::vector<int16_t> samples(static_cast<std::size_t>(chunk.getSize()) / 2);
    if (!samples.empty())
        std::memcpy(samples.data(), chunk.getData(), samples.size() * 2);
    return samples;
}

// Hands allocations on to a real manager, remembers the blocks it gave out, and can be told to
// fail one of the next allocations as an exhausted heap would.
class CRecordingMemoryManager : public tamu::CObject, public virtual tamu::IMemoryManager {
public:
    explicit CRecordingMemoryManager(tamu::P<tamu::IMemoryManager> inner)
        : m_inner(std::move(inner)) {}

    tamu::P<tamu::IMemoryBlock> allocate(int32_t size) override {
        if (m_failIn > 0 && --m_failIn == 0)
            throw std::bad_alloc();
        tamu::P<tamu::IMemoryBlock> block = m_inner->allocate(size);
        m_blocks.push_back(block.get());
        return block;
    }
    void clear() override { m_inner->clear(); }
    uint32_t getCachedSize() const override { return m_inner->getCachedSize(); }

    // The `n`-th allocation from now on throws (1 is the next one).
    void failAllocation(int n) { m_failIn = n; }
    bool gaveOut(const tamu::IMemoryBlock* block) const {
        for (const tamu::IMemoryBlock* given : m_blocks)
            if (given == block)
                return true;
        return false;
    }

private:
    tamu::P<tamu::IMemoryManager> m_inner;
    std::vector<const tamu::IMemoryBlock*> m_blocks;
    int m_failIn = 0;
};

} // namespace orxa::testing
