#pragma once

#include "tamu/CObject.h"
#include "tamu/IInStream.h"
#include "tamu/IPeekableInStream.h"

#include <cstdint>

namespace tamu {

class CMemoryIOStream;
class IMemoryBlock;
class IMemoryManager;

// An input stream that can look ahead: peeked bytes are taken from the inner stream into a
// buffer and handed out from there by the next reads.
class CPeekableInStream : public CObject,
                          public virtual IInStream,
                          public virtual IPeekableInStream {
public:
    explicit CPeekableInStream(const P<IInStream>& inner);
    ~CPeekableInStream() override;

    int32_t peek(void* buffer, int32_t count) override;
    int64_t getPeekPosition() const override;
    int64_t find(const IMemoryBlock& pattern, int32_t limit, ISignal* stop = nullptr) override;
    void rewindPeek() override;
    void dropPeekBuffer() override;

    // Ends the peek; the position of the next byte a read delivers.
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
    // Ends the peek.
    bool isEOF() const override;

private:
    enum class Transfer { plain, fully, partial };

    void endPeek() const;
    int32_t takeBuffered(void* buffer, int32_t count);
    int32_t transfer(void* buffer, int32_t count, Transfer kind, const char* method);

    P<IInStream> m_inner;
    P<CMemoryIOStream> m_buffer;
    // The buffer's block.
    P<IMemoryBlock> m_bufferBlock;
    P<IMemoryManager> m_memoryManager;
    // Where the unconsumed bytes begin in the buffer while a peek is in progress, else -1.
    mutable int64_t m_peekMark = -1;
};

} // namespace tamu
