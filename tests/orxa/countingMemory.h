#pragma once

// A host memory manager that knows how many of its blocks are still held, so a test can see
// that a worker gave every one of them back, whichever way its work ended.

#include "tamu/CMemoryBlock.h"
#include "tamu/CObject.h"
#include "tamu/IMemoryManager.h"

#include <atomic>
#include <cstdint>

namespace countingmemory {

class CCountingMemoryManager : public tamu::CObject, public virtual tamu::IMemoryManager {
public:
    tamu::P<tamu::IMemoryBlock> allocate(int32_t size) override {
        ++m_handedOut;
        return tamu::make<CCountedBlock>(size, m_outstanding);
    }
    void clear() override {}
    uint32_t getCachedSize() const override { return 0; }

    // Blocks handed out whose last reference is not yet gone.
    int outstanding() const { return m_outstanding.load(); }
    int handedOut() const { return m_handedOut.load(); }

private:
    class CCountedBlock : public tamu::CMemoryBlock {
    public:
        CCountedBlock(int32_t size, std::atomic<int>& outstanding)
            : CMemoryBlock(size), m_outstanding(outstanding) {
            ++m_outstanding;
        }
        ~CCountedBlock() override { --m_outstanding; }

    private:
        std::atomic<int>& m_outstanding;
    };

    std::atomic<int> m_outstanding{0};
    std::atomic<int> m_handedOut{0};
};

} // namespace countingmemory
