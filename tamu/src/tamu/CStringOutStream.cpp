#include "tamu/CStringOutStream.h"

#include "tamu/CMemoryBlock.h"
#include "tamu/CMemoryIOStream.h"
#include "tamu/CURIError.h"
#include "tamu/IURI.h"
#include "tamu/stringConv.h"

namespace tamu {

namespace {

constexpr int32_t defaultCapacity = 65535;

P<IMemoryBlock> blockWithRoomFor(int32_t capacity) {
    auto block = make<CMemoryBlock>();
    block->setCapacity(capacity > 0 ? capacity : defaultCapacity);
    return block;
}

} // namespace

CStringOutStream::CStringOutStream(int32_t capacity)
    : m_stream(make<CMemoryIOStream>(blockWithRoomFor(capacity))) {}

CStringOutStream::~CStringOutStream() = default;

P<IString> CStringOutStream::getString() const {
    P<IMemoryBlock> block = m_stream->getMemoryBlock();
    return stringConv::fromUTF8(reinterpret_cast<const char*>(block->getData()), m_written);
}

int64_t CStringOutStream::getPosition() const {
    return m_stream->getPosition();
}

int64_t CStringOutStream::getLength() const {
    return m_written;
}

P<IURI> CStringOutStream::getURI() const {
    return nullptr;
}

void CStringOutStream::checkOpen() const {
    if (m_closed)
        throw CStreamClosedError();
}

void CStringOutStream::write(const void* buffer, int32_t count) {
    checkOpen();
    m_stream->write(buffer, count);
    m_written += count;
}

int32_t CStringOutStream::writeCounted(const void* buffer, int32_t count) {
    write(buffer, count);
    return count;
}

void CStringOutStream::flush() {
    checkOpen();
    m_stream->flush();
}

} // namespace tamu
