#include "tamu/posix/CSimpleThreadLocalStorage.h"

#include "tamu/platformErrors.h"

namespace tamu::posix {

P<ISimpleThreadLocalStorage> CSimpleThreadLocalStorageFactory::create() {
    return make<CSimpleThreadLocalStorage>();
}

P<ISimpleThreadLocalStorage>
CSimpleThreadLocalStorageFactory::create(void (*onThreadEnd)(void* value)) {
    return make<CSimpleThreadLocalStorage>(onThreadEnd);
}

CSimpleThreadLocalStorage::CSimpleThreadLocalStorage(void (*onThreadEnd)(void* value)) {
    if (int error = pthread_key_create(&m_key, onThreadEnd))
        throwSystemError("Error allocating a thread-local index (%ERRORDESC%).", error);
}

CSimpleThreadLocalStorage::~CSimpleThreadLocalStorage() {
    pthread_key_delete(m_key);
}

void CSimpleThreadLocalStorage::setValue(void* value) {
    if (int error = pthread_setspecific(m_key, value))
        throwSystemError("Error setting a thread-local value (%ERRORDESC%).", error);
}

void* CSimpleThreadLocalStorage::getValue() const {
    return pthread_getspecific(m_key);
}

} // namespace tamu::posix
