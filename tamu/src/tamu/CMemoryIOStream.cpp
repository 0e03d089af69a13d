#include "tamu/CMemoryIOStream.h"

#include "tamu/CMemoryBlock.h"
#include "tamu/CObjectError.h"
#include "tamu/CURIError.h"
#include "tamu/IMemoryBlock.h"
#include "tamu/IMutex.h"
#include "tamu/IMutexFactory.h"
#include "tamu/IURI.h"
#include "tamu/interfaceCast.h"
#include "tamu/platformServices.h"
#include "tamu/str.h"
#include "tamu/stringConv.h"

#include <algorithm>
#include <cstring>
#include <limits>

namespace tamu {

namespace {

constexpr int64_t maxBlockSize = std::numeric_limits<int32_t>::max();

} // namespace

CMemoryIOStream::CMemoryIOStream(const P<IMemoryBlock>& block, const P<IURI>& uri)
    : m_lock(getMutexFactory()->createMutex()),
      m_block(block ? block : P<IMemoryBlock>(make<CMemoryBlock>())),
      m_uri(uri ? uri->clone() : nullptr) {}

void CMemoryIOStream::checkOpen() const {
    if (m_closed)
        throw CStreamClosedError(m_uri);
}

// The method's name is made into a string only when it is needed: transfers of a byte or two
// are common (parsers read a character at a time) and must not pay for it.
void CMemoryIOStream::checkCount(int32_t count, const char* method) const {
    if (count < 0)
        throw CInvalidArgError(this, stringConv::fromUTF8(method), str("count"));
}

int64_t CMemoryIOStream::getPosition() const {
    CMutexLock lock(*m_lock);
    return m_position;
}

int64_t CMemoryIOStream::getLength() const {
    CMutexLock lock(*m_lock);
    return m_block->getSize();
}

bool CMemoryIOStream::isClosed() const {
    CMutexLock lock(*m_lock);
    return m_closed;
}

void CMemoryIOStream::close() {
    CMutexLock lock(*m_lock);
    m_closed = true;
}

P<IURI> CMemoryIOStream::getURI() const {
    CMutexLock lock(*m_lock);
    return m_uri;
}

int32_t CMemoryIOStream::transfer(void* buffer, int32_t count) {
    checkOpen();
    checkCount(count, buffer ? "CMemoryIOStream::read" : "CMemoryIOStream::skip");
    int64_t available = std::max<int64_t>(0, m_block->getSize() - m_position);
    int32_t taken = static_cast<int32_t>(std::min<int64_t>(count, available));
    if (buffer && taken > 0)
        std::memcpy(buffer, m_block->getData() + m_position, static_cast<size_t>(taken));
    m_position += taken;
    return taken;
}

int32_t CMemoryIOStream::read(void* buffer, int32_t count) {
    CMutexLock lock(*m_lock);
    return transfer(buffer, count);
}

int32_t CMemoryIOStream::readPartial(void* buffer, int32_t count) {
    return read(buffer, count);
}

void CMemoryIOStream::readFully(void* buffer, int32_t count) {
    CMutexLock lock(*m_lock);
    if (transfer(buffer, count) != count)
        throw CEndOfStreamError();
}

int32_t CMemoryIOStream::skip(int32_t count) {
    CMutexLock lock(*m_lock);
    return transfer(nullptr, count);
}

int32_t CMemoryIOStream::skipPartial(int32_t count) {
    return skip(count);
}

void CMemoryIOStream::skipFully(int32_t count) {
    CMutexLock lock(*m_lock);
    if (transfer(nullptr, count) != count)
        throw CEndOfStreamError();
}

bool CMemoryIOStream::isEOF() const {
    CMutexLock lock(*m_lock);
    return m_position >= m_block->getSize();
}

void CMemoryIOStream::write(const void* buffer, int32_t count) {
    CMutexLock lock(*m_lock);
    checkOpen();
    checkCount(count, "CMemoryIOStream::write");
    int64_t end = m_position + count;
    // A block holds at most 2 GiB - 1 bytes.
    if (end > maxBlockSize)
        throw CInvalidArgError(this, str("CMemoryIOStream::write"), str("count"));
    // A source inside our own block moves with it when the block grows: keep its offset.
    const auto* source = static_cast<const uint8_t*>(buffer);
    const uint8_t* data = m_block->getData();
    const bool ownBytes = data && source >= data && source < data + m_block->getCapacity();
    const std::ptrdiff_t sourceOffset = ownBytes ? source - data : 0;
    // Doubling first keeps a run of small appends from reallocating at every one.
    if (end >= m_block->getCapacity())
        m_block->reserve(static_cast<int32_t>(
            std::min<int64_t>(maxBlockSize, 2 * static_cast<int64_t>(m_block->getSize()))));
    m_block->reserve(static_cast<int32_t>(end));
    if (ownBytes)
        source = m_block->getData() + sourceOffset;
    // The ranges may overlap when the stream copies its own bytes.
    if (count > 0)
        std::memmove(m_block->getData() + m_position, source, static_cast<size_t>(count));
    m_position = end;
    if (m_block->getSize() < end)
        m_block->setSize(static_cast<int32_t>(end));
}

int32_t CMemoryIOStream::writeCounted(const void* buffer, int32_t count) {
    write(buffer, count);
    return count;
}

void CMemoryIOStream::flush() {
    CMutexLock lock(*m_lock);
    checkOpen();
}

P<IStreamMarker> CMemoryIOStream::createMarker() {
    CMutexLock lock(*m_lock);
    checkOpen();
    return make<CMarker>(m_position);
}

void CMemoryIOStream::resetToMarker(IStreamMarker& marker) {
    CMutexLock lock(*m_lock);
    checkOpen();
    moveTo(interfaceCast<IMarker>(static_cast<IBase*>(&marker))->getPosition());
}

void CMemoryIOStream::moveTo(int64_t position) {
    checkOpen();
    if (position < 0 || position > m_block->getSize())
        throw CInvalidArgError(this, nullptr, nullptr);
    m_position = position;
}

void CMemoryIOStream::seek(int64_t position) {
    CMutexLock lock(*m_lock);
    moveTo(position);
}

void CMemoryIOStream::seekFromEnd(int64_t offset) {
    CMutexLock lock(*m_lock);
    moveBy(m_block->getSize(), offset);
}

void CMemoryIOStream::seekRelative(int64_t offset) {
    CMutexLock lock(*m_lock);
    moveBy(m_position, offset);
}

void CMemoryIOStream::moveBy(int64_t origin, int64_t offset) {
    int64_t target;
    // An offset that overflows lands outside the stream as surely as one that does not.
    if (__builtin_add_overflow(origin, offset, &target))
        target = -1;
    moveTo(target);
}

P<IMemoryBlock> CMemoryIOStream::getMemoryBlock() const {
    CMutexLock lock(*m_lock);
    return m_block;
}

} // namespace tamu
