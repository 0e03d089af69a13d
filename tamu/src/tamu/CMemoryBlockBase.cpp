#include "tamu/CMemoryBlockBase.h"

#include "tamu/ISerializable.h"
#include "tamu/platformErrors.h"

#include <cstring>
#include <functional>

namespace tamu {

void CMemoryBlockBase::reserve(int32_t capacity) {
    if (m_capacity < capacity)
        setCapacity(capacity);
}

void CMemoryBlockBase::setSize(int32_t size) {
    if (size < 0)
        throwArgumentError("CMemoryBlockBase::setSize");
    reserve(size);
    m_size = size;
}

void CMemoryBlockBase::fill(uint8_t value) {
    makeWritable();
    if (m_size > 0)
        std::memset(m_data, value, static_cast<size_t>(m_size));
}

int32_t CMemoryBlockBase::compare(const IMemoryBlock& other) const {
    const int32_t otherSize = other.getSize();
    if (m_size != otherSize)
        return m_size - otherSize;
    // memcmp compares bytes as unsigned char.
    const int order = m_size > 0 ? std::memcmp(m_data, other.getData(), m_size) : 0;
    return order < 0 ? -1 : order > 0 ? 1 : 0;
}

bool CMemoryBlockBase::startsWith(const IMemoryBlock& other) const {
    const int32_t otherSize = other.getSize();
    if (otherSize > m_size)
        return false;
    return otherSize == 0 || std::memcmp(m_data, other.getData(), otherSize) == 0;
}

void CMemoryBlockBase::remove(int32_t offset, int32_t count) {
    if (offset < 0 || count < 0 || offset > m_size || count > m_size - offset)
        throwArgumentError("CMemoryBlockBase::remove");
    if (count == 0)
        return;
    makeWritable();
    std::memmove(m_data + offset, m_data + offset + count, m_size - offset - count);
    setSize(m_size - count);
}

void CMemoryBlockBase::append(const IMemoryBlock& other) {
    append(other.getData(), other.getSize());
}

void CMemoryBlockBase::append(const void* bytes, int32_t count) {
    if (count < 0)
        throwArgumentError("CMemoryBlockBase::append");
    if (count == 0)
        return;
    makeWritable();
    const int32_t oldSize = m_size;
    // Bytes taken from this very block move with its buffer when it grows.
    const auto* source = static_cast<const uint8_t*>(bytes);
    const bool ownBytes = m_data && std::greater_equal<const uint8_t*>()(source, m_data) &&
                          std::less<const uint8_t*>()(source, m_data + m_capacity);
    const ptrdiff_t ownOffset = ownBytes ? source - m_data : 0;
    setSize(oldSize + count);
    if (ownBytes)
        source = m_data + ownOffset;
    std::memmove(m_data + oldSize, source, static_cast<size_t>(count));
}

void CMemoryBlockBase::serialize(ISerializationWriter& out) const {
    out.writeInt32(m_size);
    out.writeBytes(m_data, m_size);
}

bool CMemoryBlockBase::deserialize(ISerializationReader& in) {
    const int32_t size = in.readInt32();
    makeWritable();
    setSize(size);
    in.readBytes(m_data, size);
    return true;
}

} // namespace tamu
