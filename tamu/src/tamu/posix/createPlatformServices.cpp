#include "tamu/platform.h"

#include "tamu/posix/CMutexFactory.h"
#include "tamu/posix/CSignalImpl.h"
#include "tamu/posix/CSimpleThreadLocalStorage.h"
#include "tamu/posix/CThreadManager.h"

namespace tamu::platform {

P<IMutexFactory> createMutexFactory() {
    return make<posix::CMutexFactory>();
}

P<IThreadManager> createThreadManager() {
    return make<posix::CThreadManager>();
}

P<ISignalFactory> createSignalFactory() {
    return make<posix::CSignalFactory>();
}

P<ISimpleThreadLocalStorageFactory> createSimpleThreadLocalStorageFactory() {
    return make<posix::CSimpleThreadLocalStorageFactory>();
}

} // namespace tamu::platform
