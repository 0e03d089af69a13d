#include "tamu/CMemoryBlockWriter.h"

#include "tamu/IMemoryBlock.h"
#include "tamu/stringConv.h"

#include <bit>

namespace tamu {

namespace {

template <class Unsigned>
void appendLittleEndian(IMemoryBlock& block, Unsigned value) {
    uint8_t bytes[sizeof(Unsigned)];
    for (size_t i = 0; i < sizeof(Unsigned); ++i)
        bytes[i] = static_cast<uint8_t>(value >> (8 * i));
    block.append(bytes, static_cast<int32_t>(sizeof bytes));
}

} // namespace

CMemoryBlockWriter::CMemoryBlockWriter(P<IMemoryBlock> block) : m_block(std::move(block)) {}

void CMemoryBlockWriter::writeInt32(int32_t value) {
    appendLittleEndian(*m_block, static_cast<uint32_t>(value));
}

void CMemoryBlockWriter::writeDouble(double value) {
    appendLittleEndian(*m_block, std::bit_cast<uint64_t>(value));
}

void CMemoryBlockWriter::writeString(const P<IString>& value) {
    if (!value || value->isNull()) {
        writeInt32(-1);
        return;
    }
    P<IString> utf8 = stringConv::toUTF8(*value);
    writeInt32(utf8->getByteLength());
    writeBytes(utf8->getData(), utf8->getByteLength());
}

void CMemoryBlockWriter::writeBytes(const void* bytes, int32_t count) {
    m_block->append(bytes, count);
}

} // namespace tamu
