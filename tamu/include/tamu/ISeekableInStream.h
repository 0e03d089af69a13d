#pragma once

#include "tamu/IResetableInStream.h"

#include <cstdint>

namespace tamu {

class TAMU_API ISeekableInStream : public virtual IResetableInStream {
public:
    // Between 0 and the length, both included; CInvalidArgError otherwise.
    virtual void seek(int64_t position) = 0;
    // seek(length + offset)
    virtual void seekFromEnd(int64_t offset) = 0;
    // seek(position + offset)
    virtual void seekRelative(int64_t offset) = 0;
};

} // namespace tamu
