#pragma once

#include "tamu/IBase.h"

#include <cstdint>

namespace tamu {

// A lock that the owning thread may take again; every lock needs its own unlock.
class TAMU_API IMutex : public virtual IBase {
public:
    virtual void lock() = 0;
    virtual void unlock() = 0;
    // `timeout` in milliseconds; process-local mutexes make one attempt whatever its value.
    virtual bool tryLock(uint32_t timeout) = 0;
};

// Holds a mutex for the lifetime of a scope.
class CMutexLock {
public:
    explicit CMutexLock(IMutex& mutex) : m_mutex(mutex) { m_mutex.lock(); }
    CMutexLock(const CMutexLock&) = delete;
    CMutexLock& operator=(const CMutexLock&) = delete;
    ~CMutexLock() { m_mutex.unlock(); }

private:
    IMutex& m_mutex;
};

} // namespace tamu
