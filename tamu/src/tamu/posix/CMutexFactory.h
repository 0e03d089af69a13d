#pragma once

#include "tamu/CObject.h"
#include "tamu/IMutexFactory.h"

#include <string>

namespace tamu::posix {

class CMutexFactory : public CObject, public virtual IMutexFactory {
public:
    P<IMutex> createMutex() override;
    P<IMutex> createGlobalMutex(const P<IString>& name) override;
    // The same for a name already in UTF-8.
    P<IMutex> createGlobalMutex(const std::string& name);
};

} // namespace tamu::posix
