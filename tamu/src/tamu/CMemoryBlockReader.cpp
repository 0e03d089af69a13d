#include "tamu/CMemoryBlockReader.h"

#include "tamu/CUTF8String.h"
#include "tamu/IMemoryBlock.h"
#include "tamu/TNullString.h"
#include "tamu/platformErrors.h"
#include "tamu/stringConv.h"

#include <bit>
#include <cstring>
#include <string>

namespace tamu {

namespace {

template <class Unsigned>
Unsigned fromLittleEndian(const uint8_t* bytes) {
    Unsigned value = 0;
    for (size_t i = 0; i < sizeof(Unsigned); ++i)
        value |= static_cast<Unsigned>(bytes[i]) << (8 * i);
    return value;
}

} // namespace

CMemoryBlockReader::CMemoryBlockReader(PC<IMemoryBlock> block, int32_t position)
    : m_block(std::move(block)), m_position(position) {
    if (position < 0 || position > m_block->getSize())
        throwArgumentError("CMemoryBlockReader::CMemoryBlockReader");
}

int32_t CMemoryBlockReader::getRemaining() const {
    return m_block->getSize() - m_position;
}

const uint8_t* CMemoryBlockReader::take(int32_t count, const char* method) {
    if (count < 0)
        throwArgumentError(method);
    if (count > getRemaining())
        throwException(std::string(method) + ": read past the end of the data");
    const uint8_t* bytes = m_block->getData() + m_position;
    m_position += count;
    return bytes;
}

int32_t CMemoryBlockReader::readInt32() {
    return static_cast<int32_t>(
        fromLittleEndian<uint32_t>(take(4, "CMemoryBlockReader::readInt32")));
}

double CMemoryBlockReader::readDouble() {
    return std::bit_cast<double>(
        fromLittleEndian<uint64_t>(take(8, "CMemoryBlockReader::readDouble")));
}

P<IString> CMemoryBlockReader::readString() {
    const int32_t start = m_position;
    const int32_t length = readInt32();
    if (length == -1)
        return CNullUTF8String::instance();
    if (length < 0 || length > getRemaining()) {
        m_position = start;
        throwException("CMemoryBlockReader::readString: read past the end of the data");
    }
    const uint8_t* bytes = take(length, "CMemoryBlockReader::readString");
    return stringConv::fromUTF8(reinterpret_cast<const char*>(bytes), length);
}

void CMemoryBlockReader::readBytes(void* bytes, int32_t count) {
    const uint8_t* source = take(count, "CMemoryBlockReader::readBytes");
    if (count > 0)
        std::memmove(bytes, source, static_cast<size_t>(count));
}

} // namespace tamu
