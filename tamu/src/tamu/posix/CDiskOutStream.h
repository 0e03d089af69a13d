#pragma once

#include "tamu/CObject.h"
#include "tamu/ISeekableOutStream.h"
#include "tamu/ISeekableStream.h"

namespace tamu {
class IURI;
} // namespace tamu

namespace tamu::posix {

class CDiskIOStream;

// A file opened for writing only; everything is done by the CDiskIOStream it holds.
class CDiskOutStream : public CObject,
                       public virtual ISeekableOutStream,
                       public virtual ISeekableStream {
public:
    // shareKind, creationKind and deleteOnClose as for CDiskIOStream.
    CDiskOutStream(const IURI* uri, int32_t shareKind, int32_t creationKind, bool deleteOnClose);
    ~CDiskOutStream() override;

    int64_t getPosition() const override;
    int64_t getLength() const override;
    bool isClosed() const override;
    void close() override;
    P<IURI> getURI() const override;

    void write(const void* buffer, int32_t count) override;
    int32_t writeCounted(const void* buffer, int32_t count) override;
    void flush() override;

    P<IStreamMarker> createMarker() override;
    void resetToMarker(IStreamMarker& marker) override;

    void seek(int64_t position) override;
    void seekFromEnd(int64_t offset) override;
    void seekRelative(int64_t offset) override;

private:
    P<CDiskIOStream> m_stream;
};

} // namespace tamu::posix
