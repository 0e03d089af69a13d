#pragma once

#include "tamu/IBase.h"
#include "tamu/P.h"

namespace tamu {

class IMutex;

class TAMU_API IMutexFactory : public virtual IBase {
public:
    // A process-local, re-entrant mutex.
    virtual P<IMutex> createMutex() = 0;
    // A system-wide mutex shared by every process that names it alike.
    virtual P<IMutex> createGlobalMutex(const P<IString>& name) = 0;
};

} // namespace tamu
