#include "tamu/CBase64InStream.h"

#include "base64Alphabet.h"

#include "tamu/CMemoryIOStream.h"
#include "tamu/CMemoryManager.h"
#include "tamu/IMemoryBlock.h"
#include "tamu/IURI.h"

#include <algorithm>
#include <cstring>

namespace tamu {

namespace {

constexpr int32_t firstBlockSize = 1048576;
constexpr int32_t copyStep = 1024;

P<IMemoryBlock> emptyBlock(IMemoryManager& manager, int32_t capacity) {
    P<IMemoryBlock> block = manager.allocate(capacity);
    block->setSize(0);
    return block;
}

// Groups of four characters give three bytes; a last group of two or three gives one or two.
void decode(const uint8_t* text, int64_t length, uint8_t* out) {
    auto value = [&](int64_t i) -> uint32_t { return i < length ? base64::valueOf(text[i]) : 0; };
    int64_t outLength = base64::decodedLength(length);
    int64_t o = 0;
    for (int64_t i = 0; o < outLength; i += 4) {
        uint32_t d0 = value(i), d1 = value(i + 1), d2 = value(i + 2), d3 = value(i + 3);
        out[o++] = static_cast<uint8_t>((d0 << 2) | (d1 >> 4));
        if (o < outLength)
            out[o++] = static_cast<uint8_t>((d1 << 4) | (d2 >> 2));
        if (o < outLength)
            out[o++] = static_cast<uint8_t>((d2 << 6) | d3);
    }
}

} // namespace

CBase64InStream::CBase64InStream(const P<IInStream>& source, const P<IMemoryManager>& memoryManager)
    : m_source(source),
      m_memoryManager(
          memoryManager ? memoryManager
                        : P<IMemoryManager>(make<CMemoryManager>(CMemoryManager::maxBucketCount))),
      m_buffer(make<CMemoryIOStream>(emptyBlock(*m_memoryManager, firstBlockSize))) {}

CBase64InStream::~CBase64InStream() = default;

int64_t CBase64InStream::getPosition() const {
    return m_delivered;
}

int64_t CBase64InStream::getLength() const {
    return -1;
}

bool CBase64InStream::isClosed() const {
    return m_source->isClosed();
}

void CBase64InStream::close() {
    m_source->close();
}

P<IURI> CBase64InStream::getURI() const {
    return m_source->getURI();
}

// The text runs up to its zero byte (or the end of the source, when the zero is missing).
void CBase64InStream::refill(int32_t count) {
    auto text =
        make<CMemoryIOStream>(emptyBlock(*m_memoryManager, std::max(firstBlockSize, count)));
    uint8_t step[copyStep];
    text->copyFrom(*m_source, step, copyStep);
    P<IMemoryBlock> textBlock = text->getMemoryBlock();
    const uint8_t* chars = textBlock->getData();
    const uint8_t* zero = static_cast<const uint8_t*>(
        std::memchr(chars, 0, static_cast<size_t>(textBlock->getSize())));
    int64_t length = zero ? zero - chars : textBlock->getSize();

    auto decoded = static_cast<int32_t>(base64::decodedLength(length));
    P<IMemoryBlock> bytes = m_memoryManager->allocate(decoded);
    bytes->setSize(decoded);
    decode(chars, length, bytes->getData());
    m_buffer = make<CMemoryIOStream>(bytes);
}

int32_t CBase64InStream::transfer(void* buffer, int32_t count) {
    auto* out = static_cast<uint8_t*>(buffer);
    int32_t total = 0;
    while (count > 0 && !isEOF()) {
        if (m_buffer->isEOF() && !m_source->isEOF())
            refill(count);
        int32_t taken = out ? m_buffer->read(out + total, count) : m_buffer->skip(count);
        // A text too short for a byte leaves the buffer empty with the source at its end.
        if (taken == 0)
            break;
        total += taken;
        count -= taken;
    }
    m_delivered += total;
    return total;
}

int32_t CBase64InStream::read(void* buffer, int32_t count) {
    return transfer(buffer, count);
}

void CBase64InStream::readFully(void* buffer, int32_t count) {
    transfer(buffer, count);
}

int32_t CBase64InStream::readPartial(void* buffer, int32_t count) {
    return transfer(buffer, count);
}

int32_t CBase64InStream::skip(int32_t count) {
    return transfer(nullptr, count);
}

void CBase64InStream::skipFully(int32_t count) {
    transfer(nullptr, count);
}

int32_t CBase64InStream::skipPartial(int32_t count) {
    return transfer(nullptr, count);
}

bool CBase64InStream::isEOF() const {
    return m_source->isEOF() && m_buffer->isEOF();
}

} // namespace tamu
