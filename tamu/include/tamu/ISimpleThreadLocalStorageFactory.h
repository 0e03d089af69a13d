#pragma once

#include "tamu/IBase.h"
#include "tamu/P.h"

namespace tamu {

class ISimpleThreadLocalStorage;

class TAMU_API ISimpleThreadLocalStorageFactory : public virtual IBase {
public:
    virtual P<ISimpleThreadLocalStorage> create() = 0;
    // The same, and `onThreadEnd` is called with a thread's value when the thread ends while
    // its value is not null (the slot reads null for that thread by then). Nothing is called
    // once the slot is destroyed.
    virtual P<ISimpleThreadLocalStorage> create(void (*onThreadEnd)(void* value)) = 0;
};

} // namespace tamu
