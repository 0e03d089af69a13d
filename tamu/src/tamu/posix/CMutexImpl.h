#pragma once

#include "tamu/CObject.h"
#include "tamu/IMutex.h"

#include <mutex>

namespace tamu::posix {

// The process-local re-entrant mutex behind every lock of the library.
class CMutexImpl : public CObject, public virtual IMutex {
public:
    void lock() override;
    void unlock() override;
    // One attempt: a process-local lock is held only briefly, so waiting is the caller's call.
    bool tryLock(uint32_t timeout) override;

private:
    std::recursive_mutex m_mutex;
};

} // namespace tamu::posix
