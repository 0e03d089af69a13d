#pragma once

#include "tamu/IBase.h"

#include <cstdint>

namespace tamu {

// One thread-local slot: a raw value and a counted object per thread, 0 and null on a thread
// that never wrote them.
class TAMU_API IThreadLocalStorage : public virtual IBase {
public:
    virtual void setValue(uint32_t value) = 0;
    virtual uint32_t getValue() const = 0;
    // The slot takes a reference to `object` and drops the one to the object it held.
    virtual void setObject(IBase* object) = 0;
    // Borrowed: valid until this thread changes the slot.
    virtual IBase* getObject() const = 0;
};

} // namespace tamu
