#pragma once

#include "tamu/CObject.h"
#include "tamu/IMemoryManager.h"

#include <atomic>
#include <cstdint>
#include <memory>

namespace tamu {

class CCachedMemoryBlock;

// Hands out memory blocks whose buffers are recycled: size class c holds buffers of 2 << c
// bytes, and a request of n > 0 bytes falls into class floor(log2(n)) (0 bytes: class 0).
// Requests of a class at or above the bucket count get plain heap blocks that are never
// cached. Each class has its own lock; the cached size is kept with atomic adds, in units of
// the class floor 1 << c.
class CMemoryManager : public CObject, public virtual IMemoryManager {
public:
    // At most 30 classes: the buffers of a 31st would not fit a 32-bit capacity.
    static constexpr int32_t maxBucketCount = 30;

    explicit CMemoryManager(int32_t bucketCount);
    CMemoryManager(const CMemoryManager&) = delete;
    CMemoryManager& operator=(const CMemoryManager&) = delete;
    ~CMemoryManager() override;

    P<IMemoryBlock> allocate(int32_t size) override;
    // Logs what it freed, if anything, on the channel "CMemoryManager".
    void clear() override;
    uint32_t getCachedSize() const override;

    int32_t getBucketCount() const { return m_bucketCount; }
    static int32_t getSizeClass(int32_t size);

private:
    friend class CCachedMemoryBlock;
    struct Bucket;
    struct CacheTotals {
        int32_t blocks = 0;
        uint64_t bytes = 0;
    };

    // Frees every cached buffer; what it freed, in blocks and buffer bytes.
    CacheTotals dropCache();
    // Takes back a block whose last reference is gone.
    void recycle(CCachedMemoryBlock* block);

    uint32_t m_cacheLimit = 0xFFFFFFFFu;
    std::atomic<uint32_t> m_cachedSize{0};
    int32_t m_bucketCount;
    std::unique_ptr<Bucket[]> m_buckets;
};

} // namespace tamu
