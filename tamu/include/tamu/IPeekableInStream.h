#pragma once

#include "tamu/IBase.h"

#include <cstdint>

namespace tamu {

class IMemoryBlock;
class ISignal;

// Looking ahead in an input stream without consuming. A peek continues where the previous one
// stopped; any read, skip or position query ends it, so that the peeked bytes are delivered
// again by the next read.
class TAMU_API IPeekableInStream : public virtual IBase {
public:
    // Copies up to `count` of the next unconsumed bytes; the number copied.
    virtual int32_t peek(void* buffer, int32_t count) = 0;
    // Where the next peek begins, as a position of the inner stream.
    virtual int64_t getPeekPosition() const = 0;
    // Looks for the bytes of `pattern` among the next `limit` bytes from the peek position; the
    // offset of the first match from there, or -1 (also when `stop`, optional, is set first).
    // Ends the peek.
    virtual int64_t find(const IMemoryBlock& pattern, int32_t limit, ISignal* stop = nullptr) = 0;
    // The next peek or read starts again at the first unconsumed byte.
    virtual void rewindPeek() = 0;
    // Ends the peek and forgets the bytes it holds: those not read yet are skipped.
    virtual void dropPeekBuffer() = 0;
};

} // namespace tamu
