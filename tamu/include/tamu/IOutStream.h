#pragma once

#include "tamu/IStreamBase.h"

#include <cstdint>

namespace tamu {

class IInStream;
class ISignal;

class TAMU_API IOutStream : public virtual IStreamBase {
public:
    // Copies `in` into this stream, `size` bytes at a time, until `in` ends or `stop`
    // (optional) is set. A read of nothing waits a millisecond and tries again; a negative
    // count throws CException "Input stream read error". A null buffer is allocated for the call.
    virtual void copyFrom(IInStream& in, void* buffer, int32_t size, ISignal* stop = nullptr);
    // Writes all `count` bytes.
    virtual void write(const void* buffer, int32_t count) = 0;
    // Writes all `count` bytes and returns `count`.
    virtual int32_t writeCounted(const void* buffer, int32_t count) = 0;
    // Pushes buffered bytes to the medium; CStreamClosedError on a closed stream.
    virtual void flush() = 0;
};

} // namespace tamu
