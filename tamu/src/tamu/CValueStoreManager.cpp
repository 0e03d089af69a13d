#include "tamu/CValueStoreManager.h"

#include "tamu/CGlobalObjFactory.h"
#include "tamu/CJsonValueStore.h"
#include "tamu/CXmlValueStore.h"
#include "tamu/IMutex.h"
#include "tamu/IMutexFactory.h"
#include "tamu/IValueStore.h"
#include "tamu/platform.h"
#include "tamu/platformServices.h"

namespace tamu {

CValueStoreManager::CValueStoreManager()
    : m_lock(getMutexFactory()->createMutex()),
      m_factories(make<TCleaningSimpleArray<P<IValueStoreFactory>>>()) {}

CValueStoreManager::CValueStoreManager(std::initializer_list<IValueStoreFactory*> factories)
    : CValueStoreManager() {
    for (IValueStoreFactory* factory : factories)
        m_factories->add(P<IValueStoreFactory>(factory));
}

CValueStoreManager::~CValueStoreManager() = default;

P<IValueStore> CValueStoreManager::createValueStore(IURI* uri, int32_t mode) {
    CMutexLock lock(*m_lock);
    for (int32_t i = 0; i < m_factories->getCount(); ++i) {
        if (P<IValueStore> store = m_factories->get(i)->createValueStore(uri, mode))
            return store;
    }
    return nullptr;
}

void CValueStoreManager::addValueStoreFactory(IValueStoreFactory* factory) {
    if (!factory)
        return;
    CMutexLock lock(*m_lock);
    m_factories->add(P<IValueStoreFactory>(factory));
}

void CValueStoreManager::removeValueStoreFactory(IValueStoreFactory* factory) {
    CMutexLock lock(*m_lock);
    m_factories->removeFirst(P<IValueStoreFactory>(factory));
}

P<IValueStoreManager> getValueStoreManager() {
    static int key;
    return getGlobalObject<IValueStoreManager>(&key, [] {
        return P<IValueStoreManager>(
            make<CValueStoreManager>(std::initializer_list<IValueStoreFactory*>{
                make<CXmlValueStoreFactory>().get(), make<CJsonValueStoreFactory>().get(),
                platform::createRegistryValueStoreFactory().get()}));
    });
}

} // namespace tamu
