#pragma once

#include "tamu/IBase.h"
#include "tamu/P.h"

namespace tamu {

class ISignal;

class TAMU_API ISignalFactory : public virtual IBase {
public:
    virtual P<ISignal> createSignal(bool manualReset, bool initiallySet) = 0;
};

} // namespace tamu
