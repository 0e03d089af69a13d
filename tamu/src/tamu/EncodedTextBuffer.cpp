#include "EncodedTextBuffer.h"

#include "CodePointReader.h"
#include "charEncodingInstances.h"
#include "tamu/CCPString.h"
#include "tamu/CLatin1String.h"
#include "tamu/CUTF32String.h"
#include "tamu/CUTF8String.h"
#include "tamu/CWCharString.h"

#include <cstdlib>
#include <cstring>
#include <new>

namespace tamu {

P<IString> makeString(ICharEncoding& encoding, const void* text, int32_t byteLength,
                      int32_t charCount, bool zeroTerminated, StringStorage storage) {
    if (&encoding == utf8EncodingInstance())
        return adopt(new CUTF8String(static_cast<const char*>(text), byteLength, storage, charCount,
                                     zeroTerminated));
    if (&encoding == utf16EncodingInstance())
        return adopt(new CWCharString(static_cast<const char16_t*>(text), byteLength, storage,
                                      charCount, zeroTerminated));
    if (&encoding == utf32EncodingInstance())
        return adopt(new CUTF32String(static_cast<const char32_t*>(text), byteLength, storage,
                                      charCount, zeroTerminated));
    if (&encoding == latin1EncodingInstance())
        return adopt(new CLatin1String(static_cast<const char*>(text), byteLength, storage,
                                       charCount, zeroTerminated));
    if (&encoding == cpEncodingInstance())
        return adopt(new CCPString(static_cast<const char*>(text), byteLength, storage, charCount,
                                   zeroTerminated));
    return adopt(new CString(text, byteLength, charCount, zeroTerminated, encoding, storage));
}

P<IString> makeString(const StringArg& text, StringStorage storage) {
    return makeString(const_cast<ICharEncoding&>(text.encoding()), text.data(), text.byteLength(),
                      text.knownCharCount(), false, storage);
}

EncodedTextBuffer::EncodedTextBuffer(ICharEncoding& encoding, int32_t reserveBytes)
    : m_encoding(encoding), m_unitSize(encoding.getEncodedSize(0)) {
    if (reserveBytes > 0)
        reserve(reserveBytes);
}

EncodedTextBuffer::~EncodedTextBuffer() {
    std::free(m_data);
}

void EncodedTextBuffer::reserve(int32_t extraBytes) {
    // Room for the terminator is kept at all times.
    int64_t needed = int64_t{m_byteLength} + extraBytes + m_unitSize;
    if (needed <= m_capacity)
        return;
    int64_t capacity = m_capacity < 16 ? 16 : m_capacity;
    while (capacity < needed)
        capacity *= 2;
    if (capacity > INT32_MAX)
        throw std::bad_alloc();
    auto* grown = static_cast<uint8_t*>(std::realloc(m_data, static_cast<size_t>(capacity)));
    if (!grown)
        throw std::bad_alloc();
    m_data = grown;
    m_capacity = static_cast<int32_t>(capacity);
}

void EncodedTextBuffer::appendBytes(const void* bytes, int32_t byteLength, int32_t charCount) {
    if (byteLength <= 0)
        return;
    reserve(byteLength);
    std::memcpy(m_data + m_byteLength, bytes, static_cast<size_t>(byteLength));
    m_byteLength += byteLength;
    // Counts add up only when both sides are all whole minimum-size characters: otherwise bytes
    // on either side of the seam may now form a character together.
    if (m_charCount >= 0 && charCount >= 0 && charCount * m_unitSize == byteLength)
        m_charCount += charCount;
    else
        m_charCount = -1;
}

void EncodedTextBuffer::appendChar(uint32_t codePoint) {
    int32_t size = m_encoding.getEncodedSize(codePoint);
    if (size == 0)
        return;
    reserve(size);
    m_byteLength = m_encoding.encodeChar(codePoint, m_data, m_capacity, m_byteLength);
    if (m_charCount >= 0)
        ++m_charCount;
}

void EncodedTextBuffer::appendText(const StringArg& text) {
    if (&text.encoding() == &m_encoding) {
        appendBytes(text.data(), text.byteLength(), text.knownCharCount());
        return;
    }
    reserve(text.byteLength());
    CodePointReader reader(text.encoding(), text.data(), text.byteLength());
    uint32_t c;
    while (reader.next(c))
        appendChar(c);
}

P<IString> EncodedTextBuffer::finish() {
    reserve(0);
    std::memset(m_data + m_byteLength, 0, static_cast<size_t>(m_unitSize));
    int32_t count = m_charCount >= 0 ? m_charCount : m_encoding.countChars(m_data, m_byteLength, 0);
    uint8_t* data = m_data;
    int32_t byteLength = m_byteLength;
    m_data = nullptr;
    m_byteLength = m_capacity = m_charCount = 0;
    try {
        return makeString(m_encoding, data, byteLength, count, true, StringStorage::adopt);
    } catch (...) {
        std::free(data);
        throw;
    }
}

} // namespace tamu
