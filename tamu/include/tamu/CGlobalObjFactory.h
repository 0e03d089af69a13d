#pragma once

#include "tamu/CObject.h"
#include "tamu/P.h"

#include <atomic>
#include <deque>
#include <map>
#include <utility>

namespace tamu {

class IMutex;
class IMutexFactory;

// Creates every process-wide service on first use and destroys them, last created first, when
// the library is unloaded. Each service has an accessor that owns a static word whose address
// is the service's key.
class CGlobalObjFactory : public CObject {
public:
    class IPtrHolder {
    public:
        virtual ~IPtrHolder() = default;
        virtual void destroy() = 0;
        // The held P<T>.
        virtual void* get() = 0;
    };

    template <class T>
    class CPtrHolderImpl : public IPtrHolder {
    public:
        explicit CPtrHolderImpl(P<T> object) : m_object(new P<T>(std::move(object))) {}
        CPtrHolderImpl(const CPtrHolderImpl&) = delete;
        CPtrHolderImpl& operator=(const CPtrHolderImpl&) = delete;
        ~CPtrHolderImpl() override { delete m_object; }
        void destroy() override { delete this; }
        void* get() override { return m_object; }

    private:
        P<T>* m_object;
    };

    // The process's factory. Using it while it is being built or after it was torn down is a
    // programming error that stops the process (see debugBreak).
    static P<CGlobalObjFactory> instance();
    // Whether the process's factory is built and not yet torn down.
    static bool isAlive();

    // A factory of one's own; the process's is reached through instance().
    CGlobalObjFactory();
    ~CGlobalObjFactory() override;

    // The service registered under `key`, made by `create()` (anything convertible to P<T>) on
    // first use. Two threads asking at once create it once. `create` may itself ask for other
    // services; they are created first and therefore destroyed after it. The returned pointer
    // stays valid as long as this factory lives.
    template <class T, class Create>
    P<T>* getObject(const void* key, Create&& create) {
        if (IPtrHolder* holder = find(key))
            return static_cast<P<T>*>(holder->get());
        CCreationGuard guard(*this);
        if (IPtrHolder* holder = find(key))
            return static_cast<P<T>*>(holder->get());
        IPtrHolder* holder = new CPtrHolderImpl<T>(P<T>(create()));
        add(key, holder);
        return static_cast<P<T>*>(holder->get());
    }

    const P<IMutexFactory>& getMutexFactory() const { return m_mutexFactory; }

private:
    class CCreationGuard {
    public:
        explicit CCreationGuard(CGlobalObjFactory& factory);
        CCreationGuard(const CCreationGuard&) = delete;
        CCreationGuard& operator=(const CCreationGuard&) = delete;
        ~CCreationGuard();

    private:
        CGlobalObjFactory& m_factory;
    };

    IPtrHolder* find(const void* key);
    void add(const void* key, IPtrHolder* holder);

    std::map<const void*, IPtrHolder*> m_holders;
    std::deque<IPtrHolder*> m_creationOrder;
    P<IMutexFactory> m_mutexFactory;
    P<IMutex> m_creationLock;
    P<IMutex> m_mapLock;
};

// The accessor pattern: the process's service under `key`, created by `create` on first use.
template <class T, class Create>
P<T> getGlobalObject(const void* key, Create&& create) {
    P<CGlobalObjFactory> factory = CGlobalObjFactory::instance();
    return *factory->getObject<T>(key, std::forward<Create>(create));
}

// For accessors on hot paths (an encoding is asked for by every string): the service under the
// key `slot` is looked up once and then lent out as a plain pointer, valid as long as the
// process's factory lives. Past that point the lookup runs again and stops the process.
template <class T, class Create>
T* borrowGlobalObject(std::atomic<T*>& slot, Create&& create) {
    T* object = slot.load(std::memory_order_acquire);
    if (object && CGlobalObjFactory::isAlive())
        return object;
    object = getGlobalObject<T>(&slot, std::forward<Create>(create)).get();
    slot.store(object, std::memory_order_release);
    return object;
}

} // namespace tamu
