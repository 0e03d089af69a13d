#pragma once

#include "tamu/IBase.h"

#include <cstdint>

namespace tamu {

// An event: a manual-reset signal stays set until reset, an auto-reset signal lets exactly one
// successful wait through and then resets itself.
class TAMU_API ISignal : public virtual IBase {
public:
    virtual void set() = 0;
    virtual void reset() = 0;
    // A wait of 0 ms: on an auto-reset signal a true answer consumes the signal.
    virtual bool isSet() = 0;
    // `timeout` in milliseconds (infiniteTimeout waits without limit); true when the signal
    // was set within it.
    virtual bool wait(uint32_t timeout) = 0;
};

} // namespace tamu
