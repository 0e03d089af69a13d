#pragma once

#include "tamu/IBase.h"
#include "tamu/P.h"

#include <cstdint>

namespace tamu {

class IURI;

// What every byte stream answers. Positions and lengths are 64-bit byte counts; transfer sizes
// and their results are 32-bit.
class TAMU_API IStreamBase : public virtual IBase {
public:
    virtual int64_t getPosition() const = 0;
    virtual int64_t getLength() const = 0;
    virtual bool isClosed() const = 0;
    // Later transfers throw CStreamClosedError. Closing is not reversible.
    virtual void close() = 0;
    // The resource the stream belongs to, or null.
    virtual P<IURI> getURI() const = 0;
};

} // namespace tamu
