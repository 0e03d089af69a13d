#pragma once

#include "tamu/IResetableOutStream.h"

#include <cstdint>

namespace tamu {

class TAMU_API ISeekableOutStream : public virtual IResetableOutStream {
public:
    // Between 0 and the length, both included; CInvalidArgError otherwise.
    virtual void seek(int64_t position) = 0;
    // seek(length + offset)
    virtual void seekFromEnd(int64_t offset) = 0;
    // seek(position + offset)
    virtual void seekRelative(int64_t offset) = 0;
};

} // namespace tamu
