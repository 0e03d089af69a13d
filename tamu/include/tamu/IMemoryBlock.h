#pragma once

#include "tamu/ISerializable.h"

#include <cstdint>

namespace tamu {

// A growable byte buffer with a capacity and a used size.
class TAMU_API IMemoryBlock : public virtual IBase, public virtual ISerializable {
public:
    virtual void setCapacity(int32_t capacity) = 0;
    virtual void reserve(int32_t capacity) = 0;
    virtual int32_t getCapacity() const = 0;
    virtual void setSize(int32_t size) = 0;
    virtual int32_t getSize() const = 0;
    virtual void fill(uint8_t value) = 0;
    virtual const uint8_t* getData() const = 0;
    virtual uint8_t* getData() = 0;
    virtual void assign(const void* bytes, int32_t count) = 0;
    virtual int32_t compare(const IMemoryBlock& other) const = 0;
    virtual bool startsWith(const IMemoryBlock& other) const = 0;
    virtual void remove(int32_t offset, int32_t count) = 0;
    virtual void append(const IMemoryBlock& other) = 0;
    virtual void append(const void* bytes, int32_t count) = 0;
    virtual void makeWritable() = 0;
};

} // namespace tamu
