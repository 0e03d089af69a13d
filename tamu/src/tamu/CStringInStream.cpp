#include "tamu/CStringInStream.h"

#include "tamu/CMemoryBlock.h"
#include "tamu/CMemoryIOStream.h"
#include "tamu/IURI.h"

#include <cstring>
#include <string>

namespace tamu {

namespace {

P<IMemoryBlock> bytesOf(const char* text) {
    auto length = text ? static_cast<int32_t>(std::strlen(text)) : 0;
    return make<CMemoryBlock>(length, text);
}

// Each code unit low byte first, whatever the machine's byte order.
P<IMemoryBlock> bytesOf(const char16_t* text, size_t units) {
    auto block = make<CMemoryBlock>(static_cast<int32_t>(units * 2));
    uint8_t* out = block->getData();
    for (size_t i = 0; i < units; ++i) {
        out[2 * i] = static_cast<uint8_t>(text[i] & 0xFF);
        out[2 * i + 1] = static_cast<uint8_t>(text[i] >> 8);
    }
    return block;
}

P<IMemoryBlock> bytesOf(const char16_t* text) {
    return bytesOf(text, text ? std::char_traits<char16_t>::length(text) : 0);
}

} // namespace

CStringInStream::CStringInStream(const char* text)
    : m_stream(make<CMemoryIOStream>(bytesOf(text))) {}

CStringInStream::CStringInStream(const char16_t* text)
    : m_stream(make<CMemoryIOStream>(bytesOf(text))) {}

CStringInStream::CStringInStream(const char16_t* text, int32_t unitCount)
    : m_stream(make<CMemoryIOStream>(
          bytesOf(text, text && unitCount > 0 ? static_cast<size_t>(unitCount) : 0))) {}

CStringInStream::~CStringInStream() = default;

void CStringInStream::setURI(const P<IURI>& uri) {
    m_uri = uri ? uri->clone() : nullptr;
}

int64_t CStringInStream::getPosition() const {
    return m_stream->getPosition();
}
int64_t CStringInStream::getLength() const {
    return m_stream->getLength();
}
bool CStringInStream::isClosed() const {
    return m_stream->isClosed();
}
void CStringInStream::close() {
    m_stream->close();
}
P<IURI> CStringInStream::getURI() const {
    return m_uri;
}
void CStringInStream::readFully(void* buffer, int32_t count) {
    m_stream->readFully(buffer, count);
}
int32_t CStringInStream::read(void* buffer, int32_t count) {
    return m_stream->read(buffer, count);
}
int32_t CStringInStream::readPartial(void* buffer, int32_t count) {
    return m_stream->readPartial(buffer, count);
}
void CStringInStream::skipFully(int32_t count) {
    m_stream->skipFully(count);
}
int32_t CStringInStream::skip(int32_t count) {
    return m_stream->skip(count);
}
int32_t CStringInStream::skipPartial(int32_t count) {
    return m_stream->skipPartial(count);
}
bool CStringInStream::isEOF() const {
    return m_stream->isEOF();
}

} // namespace tamu
