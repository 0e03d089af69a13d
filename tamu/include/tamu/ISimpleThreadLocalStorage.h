#pragma once

#include "tamu/IBase.h"

namespace tamu {

// One operating-system thread-local pointer; every thread starts with null.
class TAMU_API ISimpleThreadLocalStorage : public virtual IBase {
public:
    virtual void setValue(void* value) = 0;
    virtual void* getValue() const = 0;
};

} // namespace tamu
