#include "tamu/CCachedMemoryBlock.h"

#include "tamu/CMemoryManager.h"
#include "tamu/interfaceCast.h"
#include "tamu/platformErrors.h"

#include <cstring>

namespace tamu {

CCachedMemoryBlock::CCachedMemoryBlock(CMemoryManager* manager, int32_t size, int32_t bucketIndex)
    : m_bucketIndex(bucketIndex), m_manager(manager) {
    m_capacity = 2 << bucketIndex;
    m_data = new uint8_t[static_cast<size_t>(m_capacity)];
    m_size = size;
}

CCachedMemoryBlock::~CCachedMemoryBlock() {
    delete[] m_data;
}

void CCachedMemoryBlock::setCapacity(int32_t capacity) {
    if (capacity < 0)
        throwArgumentError("CCachedMemoryBlock::setCapacity");
    if (capacity > m_capacity) {
        P<IMemoryBlock> larger = m_manager ? m_manager->allocate(capacity) : nullptr;
        auto* other = dynamic_cast<CCachedMemoryBlock*>(larger.get());
        if (!other) {
            // Beyond the manager's largest class nothing is cached: the block leaves the cache
            // with a buffer of its own and is deleted, not parked, when released.
            auto* data = new uint8_t[static_cast<size_t>(capacity)];
            std::memcpy(data, m_data, static_cast<size_t>(m_size));
            delete[] m_data;
            adopt(data, capacity, m_bucketIndex);
            m_manager = nullptr;
            return;
        }
        uint8_t* data = other->m_data;
        const int32_t otherCapacity = other->m_capacity;
        const int32_t otherBucket = other->m_bucketIndex;
        // The other block leaves with our old buffer and returns it to its class when released.
        other->adopt(m_data, m_capacity, m_bucketIndex);
        other->m_size = m_size;
        std::memcpy(data, m_data, static_cast<size_t>(m_size));
        adopt(data, otherCapacity, otherBucket);
    }
    if (capacity < m_size)
        m_size = capacity;
}

void CCachedMemoryBlock::assign(const void* bytes, int32_t count) {
    if (count < 0)
        throwArgumentError("CCachedMemoryBlock::assign");
    reserve(count);
    if (count > 0)
        std::memmove(m_data, bytes, static_cast<size_t>(count));
    m_size = count;
}

void CCachedMemoryBlock::adopt(uint8_t* data, int32_t capacity, int32_t bucketIndex) {
    m_data = data;
    m_capacity = capacity;
    m_bucketIndex = bucketIndex;
}

void CCachedMemoryBlock::destroy() const {
    auto* self = const_cast<CCachedMemoryBlock*>(this);
    if (!m_manager) {
        delete this;
        return;
    }
    // Held here until the block is parked: the manager may have no other owner.
    P<CMemoryManager> manager = std::move(self->m_manager);
    manager->recycle(self);
}

} // namespace tamu
