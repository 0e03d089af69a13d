#pragma once

#include "tamu/CObject.h"
#include "tamu/ISerializable.h"

namespace tamu {

class IMemoryBlock;

// Appends serialised values to a memory block, little-endian: an integer as 4 bytes, a double
// as the 8 bytes of its IEEE-754 form, a string as its UTF-8 byte count (4 bytes, -1 for a
// null string) followed by those bytes, raw bytes as they are.
class CMemoryBlockWriter : public CObject, public virtual ISerializationWriter {
public:
    explicit CMemoryBlockWriter(P<IMemoryBlock> block);

    void writeInt32(int32_t value) override;
    void writeDouble(double value) override;
    void writeString(const P<IString>& value) override;
    void writeBytes(const void* bytes, int32_t count) override;

    const P<IMemoryBlock>& getBlock() const { return m_block; }

private:
    P<IMemoryBlock> m_block;
};

} // namespace tamu
