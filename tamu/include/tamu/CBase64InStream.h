#pragma once

#include "tamu/CObject.h"
#include "tamu/IInStream.h"

#include <cstdint>

namespace tamu {

class CMemoryIOStream;
class IMemoryManager;

// Delivers the bytes of the Base64 text that `source` holds, in the form CBase64OutStream
// writes it: no padding, no line breaks, a zero byte after the text. The whole source is read
// at the first read. Characters outside the alphabet are not skipped; they spoil their group.
class CBase64InStream : public CObject, public virtual IInStream {
public:
    // Without a memory manager the stream makes one of its own.
    explicit CBase64InStream(const P<IInStream>& source,
                             const P<IMemoryManager>& memoryManager = nullptr);
    ~CBase64InStream() override;

    // The number of bytes delivered.
    int64_t getPosition() const override;
    // -1: the decoded length is not known before the text is read.
    int64_t getLength() const override;
    bool isClosed() const override;
    void close() override;
    P<IURI> getURI() const override;

    // All three read what there is and throw nothing at the end.
    void readFully(void* buffer, int32_t count) override;
    int32_t read(void* buffer, int32_t count) override;
    int32_t readPartial(void* buffer, int32_t count) override;
    void skipFully(int32_t count) override;
    int32_t skip(int32_t count) override;
    int32_t skipPartial(int32_t count) override;
    bool isEOF() const override;

private:
    int32_t transfer(void* buffer, int32_t count);
    void refill(int32_t count);

    P<IInStream> m_source;
    P<IMemoryManager> m_memoryManager;
    P<CMemoryIOStream> m_buffer;
    int64_t m_delivered = 0;
};

} // namespace tamu
