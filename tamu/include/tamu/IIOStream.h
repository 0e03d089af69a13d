#pragma once

#include "tamu/IInStream.h"

#include <cstdint>

namespace tamu {

// A stream that reads and writes. It declares the writing operations itself and is no
// IOutStream; streams that are both implement IOutStream as well.
class TAMU_API IIOStream : public virtual IInStream {
public:
    virtual void write(const void* buffer, int32_t count) = 0;
    virtual int32_t writeCounted(const void* buffer, int32_t count) = 0;
    virtual void flush() = 0;
};

} // namespace tamu
