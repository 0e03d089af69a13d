#pragma once

#include "tamu/CObject.h"
#include "tamu/IInStream.h"

#include <cstdint>

namespace tamu {

class CMemoryIOStream;

// Reads the bytes of a text, which it keeps a copy of (without terminator).
class CStringInStream : public CObject, public virtual IInStream {
public:
    // The bytes of a zero-terminated narrow text; null reads as empty.
    explicit CStringInStream(const char* text);
    // The 16-bit code units of a zero-terminated text, two bytes each, low byte first.
    explicit CStringInStream(const char16_t* text);
    // `unitCount` code units, zeros among them included.
    CStringInStream(const char16_t* text, int32_t unitCount);
    ~CStringInStream() override;

    // getURI answers a clone of `uri` from now on.
    void setURI(const P<IURI>& uri);

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

private:
    P<CMemoryIOStream> m_stream;
    P<IURI> m_uri;
};

} // namespace tamu
