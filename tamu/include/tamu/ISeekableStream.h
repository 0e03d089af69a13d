#pragma once

#include "tamu/IResetableStream.h"

#include <cstdint>

namespace tamu {

class TAMU_API ISeekableStream : public virtual IResetableStream {
public:
    // Memory streams take 0 up to the length, disk streams also positions past the end; a
    // position they do not take is CInvalidArgError.
    virtual void seek(int64_t position) = 0;
    // seek(length + offset)
    virtual void seekFromEnd(int64_t offset) = 0;
    // seek(position + offset)
    virtual void seekRelative(int64_t offset) = 0;
};

} // namespace tamu
