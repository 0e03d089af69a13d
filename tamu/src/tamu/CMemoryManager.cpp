#include "tamu/CMemoryManager.h"

#include "tamu/CCachedMemoryBlock.h"
#include "tamu/CMemoryBlock.h"
#include "tamu/CStringFormat.h"
#include "tamu/ILogManager.h"
#include "tamu/IMutex.h"
#include "tamu/IMutexFactory.h"
#include "tamu/platformErrors.h"
#include "tamu/platformServices.h"

#include <algorithm>
#include <bit>

namespace tamu {

struct CMemoryManager::Bucket {
    P<IMutex> mutex;
    CCachedMemoryBlock* head = nullptr;
};

CMemoryManager::CMemoryManager(int32_t bucketCount)
    : m_bucketCount(std::clamp(bucketCount, 0, maxBucketCount)),
      m_buckets(new Bucket[static_cast<size_t>(m_bucketCount)]) {
    P<IMutexFactory> mutexFactory = getMutexFactory();
    for (int32_t i = 0; i < m_bucketCount; ++i)
        m_buckets[i].mutex = mutexFactory->createMutex();
}

CMemoryManager::~CMemoryManager() {
    // Quietly: at unload the log manager may already be gone.
    dropCache();
}

int32_t CMemoryManager::getSizeClass(int32_t size) {
    return size == 0 ? 0 : std::bit_width(static_cast<uint32_t>(size)) - 1;
}

P<IMemoryBlock> CMemoryManager::allocate(int32_t size) {
    if (size < 0)
        throwArgumentError("CMemoryManager::allocate");
    const int32_t sizeClass = getSizeClass(size);
    if (sizeClass >= m_bucketCount)
        return make<CMemoryBlock>(size, nullptr);
    Bucket& bucket = m_buckets[sizeClass];
    CCachedMemoryBlock* block;
    {
        CMutexLock guard(*bucket.mutex);
        block = bucket.head;
        if (block) {
            bucket.head = block->m_next;
            block->m_next = nullptr;
            block->m_size = size;
            block->m_manager = P<CMemoryManager>(this);
            block->resetRefCount();
            m_cachedSize.fetch_sub(1u << sizeClass, std::memory_order_relaxed);
        }
    }
    if (!block)
        return adopt<IMemoryBlock>(new CCachedMemoryBlock(this, size, sizeClass));
    return adopt<IMemoryBlock>(block);
}

void CMemoryManager::recycle(CCachedMemoryBlock* block) {
    const int32_t sizeClass = block->m_bucketIndex;
    Bucket& bucket = m_buckets[sizeClass];
    {
        CMutexLock guard(*bucket.mutex);
        block->m_next = bucket.head;
        bucket.head = block;
    }
    const uint32_t amount = 1u << sizeClass;
    if (m_cachedSize.fetch_add(amount, std::memory_order_relaxed) + amount > m_cacheLimit)
        clear();
}

void CMemoryManager::clear() {
    const CacheTotals dropped = dropCache();
    // Worth a line: a host that clears often or a cache that overflows shows here.
    if (dropped.blocks > 0)
        getLogManager()->logAtLevel1(
            str("CMemoryManager"),
            formatString("CMemoryManager: cleared the cache (blocks: %d, bytes: %d)",
                         dropped.blocks, dropped.bytes));
}

CMemoryManager::CacheTotals CMemoryManager::dropCache() {
    CacheTotals dropped;
    for (int32_t sizeClass = 0; sizeClass < m_bucketCount; ++sizeClass) {
        Bucket& bucket = m_buckets[sizeClass];
        CCachedMemoryBlock* blocks;
        {
            CMutexLock guard(*bucket.mutex);
            blocks = bucket.head;
            bucket.head = nullptr;
            uint32_t freed = 0;
            for (CCachedMemoryBlock* block = blocks; block; block = block->m_next)
                freed += 1u << sizeClass;
            m_cachedSize.fetch_sub(freed, std::memory_order_relaxed);
        }
        while (blocks) {
            CCachedMemoryBlock* next = blocks->m_next;
            delete blocks;
            blocks = next;
            ++dropped.blocks;
            dropped.bytes += uint64_t{2} << sizeClass;
        }
    }
    return dropped;
}

uint32_t CMemoryManager::getCachedSize() const {
    return m_cachedSize.load(std::memory_order_relaxed);
}

} // namespace tamu
