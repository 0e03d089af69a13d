#pragma once

#include "tamu/CObject.h"
#include "tamu/IOutStream.h"

#include <cstdint>

namespace tamu {

class CMemoryIOStream;
class IMemoryManager;

// Collects the bytes written to it and writes their Base64 text to `target`: the standard
// alphabet without "=" padding and without line breaks, followed by one zero byte. The text is
// written on flush() and when the stream goes away, each time for everything collected since
// construction.
class CBase64OutStream : public CObject, public virtual IOutStream {
public:
    // Without a memory manager the stream makes one of its own.
    explicit CBase64OutStream(const P<IOutStream>& target,
                              const P<IMemoryManager>& memoryManager = nullptr);
    // Writes the text unless a flush() already wrote it for every byte collected; a failing
    // target is not reported from here.
    ~CBase64OutStream() override;

    // These answer for the target.
    int64_t getPosition() const override;
    int64_t getLength() const override;
    bool isClosed() const override;
    void close() override;
    P<IURI> getURI() const override;

    void write(const void* buffer, int32_t count) override;
    int32_t writeCounted(const void* buffer, int32_t count) override;
    // Encodes and writes, then flushes the target.
    void flush() override;

private:
    void writeText();

    P<IOutStream> m_target;
    P<IMemoryManager> m_memoryManager;
    P<CMemoryIOStream> m_collected;
    // The collected length that the last flush() wrote, -1 before any.
    int64_t m_flushedLength = -1;
};

} // namespace tamu
