#include "orxa/common/logBridge.h"

#include "orxa/common/CTamuToOrxaLog.h"
#include "orxa/common/IHostLog.h"
#include "tamu/ILogManager.h"
#include "tamu/IMutex.h"
#include "tamu/IMutexFactory.h"
#include "tamu/IString.h"
#include "tamu/TSimpleArray.h"
#include "tamu/platformServices.h"

namespace orxa::common {

namespace {

struct BridgeRegistry {
    tamu::P<tamu::IMutex> lock = tamu::getMutexFactory()->createMutex();
    tamu::TSimpleArray<tamu::P<CTamuToOrxaLog>> bridges;
};

BridgeRegistry& registry() {
    static BridgeRegistry instance;
    return instance;
}

} // namespace

bool installLogBridge(const tamu::P<IHostLog>& hostLog) {
    BridgeRegistry& bridges = registry();
    tamu::CMutexLock lock(*bridges.lock);
    if (!hostLog)
        return false;
    for (int32_t i = 0; i < bridges.bridges.getCount(); ++i) {
        if (bridges.bridges.get(i)->isFor(hostLog.get()))
            return false;
    }
    tamu::P<CTamuToOrxaLog> bridge = tamu::make<CTamuToOrxaLog>(hostLog.get());
    bridges.bridges.add(bridge);
    tamu::getLogManager()->addListener(nullptr, bridge.get());
    return true;
}

void removeLogBridges() {
    BridgeRegistry& bridges = registry();
    tamu::CMutexLock lock(*bridges.lock);
    if (bridges.bridges.getCount() == 0)
        return;
    tamu::P<tamu::ILogManager> manager = tamu::getLogManager();
    for (int32_t i = 0; i < bridges.bridges.getCount(); ++i)
        manager->removeListener(nullptr, bridges.bridges.get(i).get());
}

} // namespace orxa::common
