#pragma once

#include "tamu/CObject.h"
#include "tamu/IMemoryBlock.h"

#include <cstdint>

namespace tamu {

// Everything of a memory block except how its buffer is obtained, replaced and owned.
// Invariant: 0 <= size <= capacity; data is null when the capacity is 0.
class CMemoryBlockBase : public CObject, public virtual IMemoryBlock {
public:
    void reserve(int32_t capacity) override;
    int32_t getCapacity() const override { return m_capacity; }
    void setSize(int32_t size) override;
    int32_t getSize() const override { return m_size; }
    void fill(uint8_t value) override;
    const uint8_t* getData() const override { return m_data; }
    uint8_t* getData() override { return m_data; }
    int32_t compare(const IMemoryBlock& other) const override;
    bool startsWith(const IMemoryBlock& other) const override;
    void remove(int32_t offset, int32_t count) override;
    void append(const IMemoryBlock& other) override;
    void append(const void* bytes, int32_t count) override;

    // The size, then the bytes.
    void serialize(ISerializationWriter& out) const override;
    bool deserialize(ISerializationReader& in) override;

protected:
    uint8_t* m_data = nullptr;
    int32_t m_capacity = 0;
    int32_t m_size = 0;
};

} // namespace tamu
