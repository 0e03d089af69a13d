#pragma once

#include "tamu/P.h"

namespace tamu {

class IMutexFactory;
class IPathes;
class ISignalFactory;
class ISimpleThreadLocalStorageFactory;
class IThreadManager;

// The platform layer's process-wide services. The mutex factory belongs to the global object
// factory itself; the others are created on first use and live until the library is unloaded.
P<IMutexFactory> getMutexFactory();
P<IThreadManager> getThreadManager();
P<ISignalFactory> getSignalFactory();
P<ISimpleThreadLocalStorageFactory> getSimpleThreadLocalStorageFactory();
P<IPathes> getPathes();

} // namespace tamu
