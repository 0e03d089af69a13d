#include "tamu/CThreadLocalStorage.h"

#include "tamu/CGlobalObjFactory.h"
#include "tamu/CThreadLocalStorageManager.h"

namespace tamu {

CThreadLocalStorage::CThreadLocalStorage(P<CThreadLocalStorageManager> manager)
    : m_manager(std::move(manager)), m_slot(m_manager->allocateSlot()) {}

CThreadLocalStorage::~CThreadLocalStorage() {
    m_manager->clearSlot(m_slot);
}

void CThreadLocalStorage::setValue(uint32_t value) {
    m_manager->setValue(m_slot, value);
}

uint32_t CThreadLocalStorage::getValue() const {
    return m_manager->getValue(m_slot);
}

void CThreadLocalStorage::setObject(IBase* object) {
    m_manager->setObject(m_slot, object);
}

IBase* CThreadLocalStorage::getObject() const {
    return m_manager->getObject(m_slot);
}

P<CThreadLocalStorage> getLibraryThreadLocalStorage() {
    static int key;
    return getGlobalObject<CThreadLocalStorage>(
        &key, [] { return make<CThreadLocalStorage>(getThreadLocalStorageManager()); });
}

} // namespace tamu
