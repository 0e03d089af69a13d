#include "tamu/CPeekableInStream.h"

#include "tamu/CMemoryIOStream.h"
#include "tamu/CMemoryManager.h"
#include "tamu/CObjectError.h"
#include "tamu/IMemoryBlock.h"
#include "tamu/ISignal.h"
#include "tamu/IURI.h"
#include "tamu/str.h"
#include "tamu/stringConv.h"

#include <algorithm>
#include <cstring>

namespace tamu {

namespace {

// find() takes its bytes in steps of this size, so a generous limit costs no memory up front.
constexpr int32_t findStep = 65536;

} // namespace

CPeekableInStream::CPeekableInStream(const P<IInStream>& inner)
    : m_inner(inner), m_memoryManager(make<CMemoryManager>(CMemoryManager::maxBucketCount)) {}

CPeekableInStream::~CPeekableInStream() = default;

void CPeekableInStream::endPeek() const {
    if (m_peekMark < 0)
        return;
    m_buffer->seek(m_peekMark);
    m_peekMark = -1;
}

int32_t CPeekableInStream::peek(void* buffer, int32_t count) {
    if (count < 0)
        throw CInvalidArgError(this, str("CPeekableInStream::peek"), str("count"));
    if (!m_buffer) {
        m_bufferBlock = m_memoryManager->allocate(count);
        m_bufferBlock->setSize(0);
        m_buffer = make<CMemoryIOStream>(m_bufferBlock);
    }
    if (m_peekMark < 0)
        m_peekMark = m_buffer->getPosition();
    auto* out = static_cast<uint8_t*>(buffer);
    int32_t taken = m_buffer->read(out, count);
    if (taken < count) {
        // The buffer is at its end here, so what comes from the inner stream is appended.
        int32_t fresh = m_inner->read(out + taken, count - taken);
        if (fresh > 0) {
            m_buffer->write(out + taken, fresh);
            taken += fresh;
        }
    }
    return taken;
}

int64_t CPeekableInStream::getPeekPosition() const {
    int64_t position = m_inner->getPosition();
    if (m_buffer)
        position += m_buffer->getPosition() - m_buffer->getLength();
    return position;
}

int64_t CPeekableInStream::find(const IMemoryBlock& pattern, int32_t limit, ISignal* stop) {
    if (limit < 0)
        throw CInvalidArgError(this, str("CPeekableInStream::find"), str("limit"));
    P<IMemoryBlock> block = m_memoryManager->allocate(std::min(limit, findStep));
    block->setSize(0);
    while (block->getSize() < limit) {
        int32_t size = block->getSize();
        int32_t step = std::min(findStep, limit - size);
        block->reserve(size + step);
        int32_t got = peek(block->getData() + size, step);
        if (got <= 0)
            break;
        block->setSize(size + got);
    }
    endPeek();

    const uint8_t* bytes = block->getData();
    const int64_t length = block->getSize();
    const int64_t patternLength = pattern.getSize();
    if (patternLength == 0)
        return 0;
    const uint8_t* wanted = pattern.getData();
    for (int64_t at = 0; length - at >= patternLength; ++at) {
        if (stop && stop->isSet())
            return -1;
        const void* first = std::memchr(bytes + at, wanted[0],
                                        static_cast<size_t>(length - at - patternLength + 1));
        if (!first)
            return -1;
        at = static_cast<const uint8_t*>(first) - bytes;
        if (std::memcmp(bytes + at, wanted, static_cast<size_t>(patternLength)) == 0)
            return at;
    }
    return -1;
}

void CPeekableInStream::rewindPeek() {
    endPeek();
}

void CPeekableInStream::dropPeekBuffer() {
    m_peekMark = -1;
    m_buffer = nullptr;
    m_bufferBlock = nullptr;
}

int64_t CPeekableInStream::getPosition() const {
    endPeek();
    return getPeekPosition();
}

int64_t CPeekableInStream::getLength() const {
    return m_inner->getLength();
}

bool CPeekableInStream::isClosed() const {
    return m_inner->isClosed();
}

void CPeekableInStream::close() {
    m_inner->close();
}

P<IURI> CPeekableInStream::getURI() const {
    return m_inner->getURI();
}

// Bytes peeked earlier come first.
int32_t CPeekableInStream::takeBuffered(void* buffer, int32_t count) {
    int32_t taken = 0;
    if (m_buffer && !m_buffer->isEOF())
        taken = buffer ? m_buffer->read(buffer, count) : m_buffer->skip(count);
    // Emptied rather than let go: a parser peeks a character at a time, and a new stream for
    // each would cost more than the parse itself.
    if (m_buffer && m_buffer->isEOF() && m_buffer->getLength() > 0) {
        m_buffer->seek(0);
        m_bufferBlock->setSize(0);
    }
    return taken;
}

int32_t CPeekableInStream::transfer(void* buffer, int32_t count, Transfer kind,
                                    const char* method) {
    if (count < 0)
        throw CInvalidArgError(this, stringConv::fromUTF8(method), str("count"));
    endPeek();
    int32_t taken = takeBuffered(buffer, count);
    int32_t rest = count - taken;
    if (rest == 0)
        return taken;
    uint8_t* out = buffer ? static_cast<uint8_t*>(buffer) + taken : nullptr;
    int32_t fresh = 0;
    switch (kind) {
    case Transfer::plain:
        fresh = out ? m_inner->read(out, rest) : m_inner->skip(rest);
        break;
    case Transfer::fully:
        if (out)
            m_inner->readFully(out, rest);
        else
            m_inner->skipFully(rest);
        fresh = rest;
        break;
    case Transfer::partial:
        fresh = out ? m_inner->readPartial(out, rest) : m_inner->skipPartial(rest);
        break;
    }
    // A failing inner read keeps its negative answer when there is nothing else to report.
    if (fresh < 0)
        return taken > 0 ? taken : fresh;
    return taken + fresh;
}

int32_t CPeekableInStream::read(void* buffer, int32_t count) {
    return transfer(buffer, count, Transfer::plain, "CPeekableInStream::read");
}

void CPeekableInStream::readFully(void* buffer, int32_t count) {
    transfer(buffer, count, Transfer::fully, "CPeekableInStream::readFully");
}

int32_t CPeekableInStream::readPartial(void* buffer, int32_t count) {
    return transfer(buffer, count, Transfer::partial, "CPeekableInStream::readPartial");
}

int32_t CPeekableInStream::skip(int32_t count) {
    return transfer(nullptr, count, Transfer::plain, "CPeekableInStream::skip");
}

void CPeekableInStream::skipFully(int32_t count) {
    transfer(nullptr, count, Transfer::fully, "CPeekableInStream::skipFully");
}

int32_t CPeekableInStream::skipPartial(int32_t count) {
    return transfer(nullptr, count, Transfer::partial, "CPeekableInStream::skipPartial");
}

bool CPeekableInStream::isEOF() const {
    endPeek();
    return m_inner->isEOF() && (!m_buffer || m_buffer->isEOF());
}

} // namespace tamu
