#pragma once

#include "tamu/CObject.h"
#include "tamu/ISerializable.h"

namespace tamu {

class IMemoryBlock;

// Reads back, in order, what a CMemoryBlockWriter wrote. Reading past the end of the block
// throws and leaves the position where it was.
class CMemoryBlockReader : public CObject, public virtual ISerializationReader {
public:
    explicit CMemoryBlockReader(PC<IMemoryBlock> block, int32_t position = 0);

    int32_t readInt32() override;
    double readDouble() override;
    P<IString> readString() override;
    void readBytes(void* bytes, int32_t count) override;

    int32_t getPosition() const { return m_position; }
    int32_t getRemaining() const;

private:
    // The next `count` bytes, consumed.
    const uint8_t* take(int32_t count, const char* method);

    PC<IMemoryBlock> m_block;
    int32_t m_position;
};

} // namespace tamu
