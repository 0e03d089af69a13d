#pragma once

#include "tamu/CObject.h"
#include "tamu/IThreadLocalStorage.h"
#include "tamu/P.h"

namespace tamu {

class CThreadLocalStorageManager;

// One slot of a thread-local storage manager. Destroying it empties the slot on every thread,
// releasing the objects it held.
class CThreadLocalStorage : public CObject, public virtual IThreadLocalStorage {
public:
    explicit CThreadLocalStorage(P<CThreadLocalStorageManager> manager);
    ~CThreadLocalStorage() override;

    void setValue(uint32_t value) override;
    uint32_t getValue() const override;
    void setObject(IBase* object) override;
    IBase* getObject() const override;

    int32_t getSlot() const { return m_slot; }

private:
    P<CThreadLocalStorageManager> m_manager;
    int32_t m_slot;
};

// The library's own slot, on the process's manager.
P<CThreadLocalStorage> getLibraryThreadLocalStorage();

} // namespace tamu
