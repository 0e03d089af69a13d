#pragma once

#include "tamu/CObject.h"
#include "tamu/ISeekableInStream.h"
#include "tamu/ISeekableStream.h"

namespace tamu {
class IURI;
} // namespace tamu

namespace tamu::posix {

class CDiskIOStream;

// A file opened for reading only; everything is done by the CDiskIOStream it holds.
class CDiskInStream : public CObject,
                      public virtual ISeekableInStream,
                      public virtual ISeekableStream {
public:
    // The existing file `uri` names; shareKind as for CDiskIOStream.
    CDiskInStream(const IURI* uri, int32_t shareKind);
    ~CDiskInStream() override;

    int64_t getPosition() const override;
    int64_t getLength() const override;
    bool isClosed() const override;
    void close() override;
    P<IURI> getURI() const override;

    void readFully(void* buffer, int32_t count) override;
    int32_t read(void* buffer, int32_t count) override;
    int32_t readPartial(void* buffer, int32_t count) override;
    void skipFully(int32_t count) override;
    int32_t skip(int32_t count) override;
    int32_t skipPartial(int32_t count) override;
    bool isEOF() const override;

    P<IStreamMarker> createMarker() override;
    void resetToMarker(IStreamMarker& marker) override;

    void seek(int64_t position) override;
    void seekFromEnd(int64_t offset) override;
    void seekRelative(int64_t offset) override;

private:
    P<CDiskIOStream> m_stream;
};

} // namespace tamu::posix
