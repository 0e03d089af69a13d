#pragma once

#include "tamu/CObject.h"
#include "tamu/IValueStoreManager.h"
#include "tamu/TSimpleArray.h"

#include <initializer_list>

namespace tamu {

class IMutex;

class CValueStoreManager : public CObject, public virtual IValueStoreManager {
public:
    // Empty; the process's manager (getValueStoreManager) starts with the three file and
    // registry factories.
    CValueStoreManager();
    // Starts with `factories` registered, without taking the lock: the process's manager is
    // made inside the global object factory's creation lock (see CStreamManager).
    explicit CValueStoreManager(std::initializer_list<IValueStoreFactory*> factories);
    ~CValueStoreManager() override;

    P<IValueStore> createValueStore(IURI* uri, int32_t mode) override;
    void addValueStoreFactory(IValueStoreFactory* factory) override;
    void removeValueStoreFactory(IValueStoreFactory* factory) override;

private:
    P<IMutex> m_lock;
    P<TCleaningSimpleArray<P<IValueStoreFactory>>> m_factories;
};

} // namespace tamu
