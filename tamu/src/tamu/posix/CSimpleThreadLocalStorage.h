#pragma once

#include "tamu/CObject.h"
#include "tamu/ISimpleThreadLocalStorage.h"
#include "tamu/ISimpleThreadLocalStorageFactory.h"

#include <pthread.h>

namespace tamu::posix {

class CSimpleThreadLocalStorageFactory : public CObject,
                                         public virtual ISimpleThreadLocalStorageFactory {
public:
    P<ISimpleThreadLocalStorage> create() override;
    P<ISimpleThreadLocalStorage> create(void (*onThreadEnd)(void* value)) override;
};

// One pthread key, deleted with the object; its destructor is the thread-end report.
class CSimpleThreadLocalStorage : public CObject, public virtual ISimpleThreadLocalStorage {
public:
    explicit CSimpleThreadLocalStorage(void (*onThreadEnd)(void* value) = nullptr);
    ~CSimpleThreadLocalStorage() override;

    void setValue(void* value) override;
    void* getValue() const override;

private:
    pthread_key_t m_key;
};

} // namespace tamu::posix
