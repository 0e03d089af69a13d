#include "tamu/CBase64OutStream.h"

#include "base64Alphabet.h"

#include "tamu/CMemoryIOStream.h"
#include "tamu/CMemoryManager.h"
#include "tamu/IMemoryBlock.h"
#include "tamu/IURI.h"

#include <exception>

namespace tamu {

namespace {

constexpr int32_t firstBlockSize = 1048576;

// Three bytes give four characters; a last group of one or two bytes gives two or three.
void encode(const uint8_t* bytes, int64_t count, char* out) {
    const char* letters = base64::alphabet;
    int64_t i = 0;
    for (; i + 3 <= count; i += 3) {
        uint8_t b0 = bytes[i], b1 = bytes[i + 1], b2 = bytes[i + 2];
        *out++ = letters[b0 >> 2];
        *out++ = letters[((b0 & 3) << 4) | (b1 >> 4)];
        *out++ = letters[((b1 & 15) << 2) | (b2 >> 6)];
        *out++ = letters[b2 & 63];
    }
    if (count - i == 1) {
        uint8_t b0 = bytes[i];
        *out++ = letters[b0 >> 2];
        *out++ = letters[(b0 & 3) << 4];
    } else if (count - i == 2) {
        uint8_t b0 = bytes[i], b1 = bytes[i + 1];
        *out++ = letters[b0 >> 2];
        *out++ = letters[((b0 & 3) << 4) | (b1 >> 4)];
        *out++ = letters[(b1 & 15) << 2];
    }
}

} // namespace

CBase64OutStream::CBase64OutStream(const P<IOutStream>& target,
                                   const P<IMemoryManager>& memoryManager)
    : m_target(target),
      m_memoryManager(
          memoryManager ? memoryManager
                        : P<IMemoryManager>(make<CMemoryManager>(CMemoryManager::maxBucketCount))) {
    P<IMemoryBlock> block = m_memoryManager->allocate(firstBlockSize);
    block->setSize(0);
    m_collected = make<CMemoryIOStream>(block);
}

CBase64OutStream::~CBase64OutStream() {
    if (m_collected->getLength() == m_flushedLength)
        return;
    // Nobody is left to tell that the target refused the text.
    try {
        writeText();
        m_target->flush();
    } catch (const std::exception&) {
    }
}

int64_t CBase64OutStream::getPosition() const {
    return m_target->getPosition();
}

int64_t CBase64OutStream::getLength() const {
    return m_target->getLength();
}

bool CBase64OutStream::isClosed() const {
    return m_target->isClosed();
}

void CBase64OutStream::close() {
    m_target->close();
}

P<IURI> CBase64OutStream::getURI() const {
    return m_target->getURI();
}

void CBase64OutStream::write(const void* buffer, int32_t count) {
    m_collected->write(buffer, count);
}

int32_t CBase64OutStream::writeCounted(const void* buffer, int32_t count) {
    m_collected->write(buffer, count);
    return count;
}

void CBase64OutStream::flush() {
    writeText();
    m_flushedLength = m_collected->getLength();
    m_target->flush();
}

// The text and its zero byte go out in one write.
void CBase64OutStream::writeText() {
    P<IMemoryBlock> bytes = m_collected->getMemoryBlock();
    int64_t length = base64::encodedLength(bytes->getSize());
    P<IMemoryBlock> text = m_memoryManager->allocate(static_cast<int32_t>(length) + 1);
    auto* chars = reinterpret_cast<char*>(text->getData());
    encode(bytes->getData(), bytes->getSize(), chars);
    chars[length] = '\0';
    m_target->write(chars, text->getSize());
}

} // namespace tamu
