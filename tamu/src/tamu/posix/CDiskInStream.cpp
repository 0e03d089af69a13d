#include "tamu/posix/CDiskInStream.h"

#include "tamu/IURI.h"
#include "tamu/posix/CDiskIOStream.h"

namespace tamu::posix {

CDiskInStream::CDiskInStream(const IURI* uri, int32_t shareKind)
    : m_stream(make<CDiskIOStream>(uri, shareKind, 1, CDiskIOStream::readAccess, false)) {}

CDiskInStream::~CDiskInStream() = default;

int64_t CDiskInStream::getPosition() const {
    return m_stream->getPosition();
}

int64_t CDiskInStream::getLength() const {
    return m_stream->getLength();
}

bool CDiskInStream::isClosed() const {
    return m_stream->isClosed();
}

void CDiskInStream::close() {
    m_stream->close();
}

P<IURI> CDiskInStream::getURI() const {
    return m_stream->getURI();
}

void CDiskInStream::readFully(void* buffer, int32_t count) {
    m_stream->readFully(buffer, count);
}

int32_t CDiskInStream::read(void* buffer, int32_t count) {
    return m_stream->read(buffer, count);
}

int32_t CDiskInStream::readPartial(void* buffer, int32_t count) {
    return m_stream->readPartial(buffer, count);
}

void CDiskInStream::skipFully(int32_t count) {
    m_stream->skipFully(count);
}

int32_t CDiskInStream::skip(int32_t count) {
    return m_stream->skip(count);
}

int32_t CDiskInStream::skipPartial(int32_t count) {
    return m_stream->skipPartial(count);
}

bool CDiskInStream::isEOF() const {
    return m_stream->isEOF();
}

P<IStreamMarker> CDiskInStream::createMarker() {
    return m_stream->createMarker();
}

void CDiskInStream::resetToMarker(IStreamMarker& marker) {
    m_stream->resetToMarker(marker);
}

void CDiskInStream::seek(int64_t position) {
    m_stream->seek(position);
}

void CDiskInStream::seekFromEnd(int64_t offset) {
    m_stream->seekFromEnd(offset);
}

void CDiskInStream::seekRelative(int64_t offset) {
    m_stream->seekRelative(offset);
}

} // namespace tamu::posix
