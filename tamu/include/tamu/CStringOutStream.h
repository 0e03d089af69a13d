#pragma once

#include "tamu/CObject.h"
#include "tamu/IOutStream.h"

#include <cstdint>

namespace tamu {

class CMemoryIOStream;
class IString;

// Collects written bytes; getString() reads them as UTF-8 text.
class CStringOutStream : public CObject, public virtual IOutStream {
public:
    // Room for `capacity` bytes before the buffer grows (0: 65535).
    explicit CStringOutStream(int32_t capacity = 0);
    ~CStringOutStream() override;

    // The bytes written so far as a UTF-8 string.
    P<IString> getString() const;

    int64_t getPosition() const override;
    // The number of bytes written.
    int64_t getLength() const override;
    bool isClosed() const override { return m_closed; }
    void close() override { m_closed = true; }
    // Null: the text belongs to no resource.
    P<IURI> getURI() const override;

    // On a closed stream these throw CStreamClosedError.
    void write(const void* buffer, int32_t count) override;
    int32_t writeCounted(const void* buffer, int32_t count) override;
    void flush() override;

private:
    void checkOpen() const;

    P<CMemoryIOStream> m_stream;
    int32_t m_written = 0;
    bool m_closed = false;
};

} // namespace tamu
