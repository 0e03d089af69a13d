#pragma once

#include "tamu/IStreamBase.h"

#include <cstdint>

namespace tamu {

class IOutStream;
class ISignal;

class TAMU_API IInStream : public virtual IStreamBase {
public:
    // Copies the rest of this stream into `out`, `size` bytes at a time, until the end or until
    // `stop` (optional) is set. A null buffer is allocated for the call.
    virtual void copyTo(IOutStream& out, void* buffer, int32_t size, ISignal* stop = nullptr);
    // Exactly `count` bytes, or CEndOfStreamError.
    virtual void readFully(void* buffer, int32_t count) = 0;
    // At most `count` bytes; the number read, 0 at the end (which is no error).
    virtual int32_t read(void* buffer, int32_t count) = 0;
    virtual int32_t readPartial(void* buffer, int32_t count) = 0;
    // Exactly `count` bytes, or CEndOfStreamError; disk streams move on without a check, as
    // seeking past the end does.
    virtual void skipFully(int32_t count) = 0;
    // At most `count` bytes; the number skipped.
    virtual int32_t skip(int32_t count) = 0;
    virtual int32_t skipPartial(int32_t count) = 0;
    // No byte is left.
    virtual bool isEOF() const = 0;
};

} // namespace tamu
