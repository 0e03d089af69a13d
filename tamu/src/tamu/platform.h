#pragma once

#include "tamu/P.h"

namespace tamu {
class IMutexFactory;
class ISignalFactory;
class ISimpleThreadLocalStorageFactory;
class IThreadManager;
} // namespace tamu

// The platform layer's constructors: the only way portable code makes platform objects.
namespace tamu::platform {

P<IMutexFactory> createMutexFactory();
P<IThreadManager> createThreadManager();
P<ISignalFactory> createSignalFactory();
P<ISimpleThreadLocalStorageFactory> createSimpleThreadLocalStorageFactory();

} // namespace tamu::platform
