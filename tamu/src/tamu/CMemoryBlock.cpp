#include "tamu/CMemoryBlock.h"

#include "tamu/platformErrors.h"

#include <algorithm>
#include <cstring>

namespace tamu {

CMemoryBlock::CMemoryBlock(int32_t size, const void* bytes) {
    if (size != 0) {
        setSize(size);
        if (bytes)
            std::memcpy(m_data, bytes, static_cast<size_t>(size));
    }
}

CMemoryBlock::~CMemoryBlock() {
    if (m_ownsData)
        delete[] m_data;
}

P<CMemoryBlock> CMemoryBlock::wrap(const void* bytes, int32_t size, P<IBase> owner) {
    if (size < 0 || (size > 0 && !bytes))
        throwArgumentError("CMemoryBlock::wrap");
    P<CMemoryBlock> block = make<CMemoryBlock>();
    block->m_data = size > 0 ? static_cast<uint8_t*>(const_cast<void*>(bytes)) : nullptr;
    block->m_capacity = size;
    block->m_size = size;
    block->m_ownsData = false;
    block->m_owner = std::move(owner);
    return block;
}

void CMemoryBlock::setCapacity(int32_t capacity) {
    if (capacity < 0)
        throwArgumentError("CMemoryBlock::setCapacity");
    const int32_t kept = std::min(m_size, capacity);
    uint8_t* data = capacity > 0 ? new uint8_t[static_cast<size_t>(capacity)] : nullptr;
    if (kept > 0)
        std::memcpy(data, m_data, static_cast<size_t>(kept));
    if (m_ownsData)
        delete[] m_data;
    m_data = data;
    m_capacity = capacity;
    m_size = kept;
    m_ownsData = true;
    m_owner = nullptr;
}

void CMemoryBlock::assign(const void* bytes, int32_t count) {
    // `bytes` may lie in the foreign buffer, whose owner must survive the copy.
    P<IBase> owner = m_owner;
    if (!m_ownsData) {
        // The foreign bytes are about to be replaced, not kept: no point copying them.
        m_size = 0;
        makeWritable();
    }
    setSize(count);
    if (count > 0)
        std::memmove(m_data, bytes, static_cast<size_t>(count));
}

void CMemoryBlock::makeWritable() {
    if (!m_ownsData)
        setCapacity(m_capacity);
}

} // namespace tamu
