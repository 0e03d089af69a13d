#include "tamu/posix/CDiskOutStream.h"

#include "tamu/IURI.h"
#include "tamu/posix/CDiskIOStream.h"

namespace tamu::posix {

CDiskOutStream::CDiskOutStream(const IURI* uri, int32_t shareKind, int32_t creationKind,
                               bool deleteOnClose)
    : m_stream(make<CDiskIOStream>(uri, shareKind, creationKind, CDiskIOStream::writeAccess,
                                   deleteOnClose)) {}

CDiskOutStream::~CDiskOutStream() = default;

int64_t CDiskOutStream::getPosition() const {
    return m_stream->getPosition();
}

int64_t CDiskOutStream::getLength() const {
    return m_stream->getLength();
}

bool CDiskOutStream::isClosed() const {
    return m_stream->isClosed();
}

void CDiskOutStream::close() {
    m_stream->close();
}

P<IURI> CDiskOutStream::getURI() const {
    return m_stream->getURI();
}

void CDiskOutStream::write(const void* buffer, int32_t count) {
    m_stream->write(buffer, count);
}

int32_t CDiskOutStream::writeCounted(const void* buffer, int32_t count) {
    return m_stream->writeCounted(buffer, count);
}

void CDiskOutStream::flush() {
    m_stream->flush();
}

P<IStreamMarker> CDiskOutStream::createMarker() {
    return m_stream->createMarker();
}

void CDiskOutStream::resetToMarker(IStreamMarker& marker) {
    m_stream->resetToMarker(marker);
}

void CDiskOutStream::seek(int64_t position) {
    m_stream->seek(position);
}

void CDiskOutStream::seekFromEnd(int64_t offset) {
    m_stream->seekFromEnd(offset);
}

void CDiskOutStream::seekRelative(int64_t offset) {
    m_stream->seekRelative(offset);
}

} // namespace tamu::posix
