#pragma once

#include "tamu/IBase.h"
#include "tamu/P.h"

namespace tamu {

class ISimpleThreadLocalStorage;

class TAMU_API ISimpleThreadLocalStorageFactory : public virtual IBase {
public:
    virtual P<ISimpleThreadLocalStorage> create() = 0;
};

} // namespace tamu
