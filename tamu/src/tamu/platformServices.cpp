#include "tamu/platformServices.h"

#include "tamu/CGlobalObjFactory.h"
#include "tamu/IMutexFactory.h"
#include "tamu/ISignalFactory.h"
#include "tamu/ISimpleThreadLocalStorageFactory.h"
#include "tamu/IThreadManager.h"
#include "tamu/platform.h"

namespace tamu {

P<IMutexFactory> getMutexFactory() {
    return CGlobalObjFactory::instance()->getMutexFactory();
}

P<IThreadManager> getThreadManager() {
    static int key;
    return getGlobalObject<IThreadManager>(&key, &platform::createThreadManager);
}

P<ISignalFactory> getSignalFactory() {
    static int key;
    return getGlobalObject<ISignalFactory>(&key, &platform::createSignalFactory);
}

P<ISimpleThreadLocalStorageFactory> getSimpleThreadLocalStorageFactory() {
    static int key;
    return getGlobalObject<ISimpleThreadLocalStorageFactory>(
        &key, &platform::createSimpleThreadLocalStorageFactory);
}

} // namespace tamu
