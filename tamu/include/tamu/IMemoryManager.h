#pragma once

#include "tamu/IBase.h"
#include "tamu/P.h"

#include <cstdint>

namespace tamu {

class IMemoryBlock;

// Hands out memory blocks and recycles their buffers by power-of-two size class.
class TAMU_API IMemoryManager : public virtual IBase {
public:
    virtual P<IMemoryBlock> allocate(int32_t size) = 0;
    virtual void clear() = 0;
    virtual uint32_t getCachedSize() const = 0;
};

} // namespace tamu
