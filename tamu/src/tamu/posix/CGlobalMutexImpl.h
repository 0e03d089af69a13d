#pragma once

#include "tamu/CObject.h"
#include "tamu/IMutex.h"

#include <pthread.h>
#include <string>
#include <time.h>

namespace tamu::posix {

// A system-wide mutex: an exclusive flock on a lock file named after the mutex. The kernel
// drops the lock when its owner dies, so a mutex abandoned by a crashed process is simply
// taken over. Threads of one process share the file lock through one object and are kept
// apart by an in-process re-entrant mutex; the file lock is taken by the outermost lock only.
class CGlobalMutexImpl : public CObject, public virtual IMutex {
public:
    // `name` in UTF-8.
    explicit CGlobalMutexImpl(const std::string& name);
    ~CGlobalMutexImpl() override;

    void lock() override;
    void unlock() override;
    bool tryLock(uint32_t timeout) override;

    // Where the lock file of a mutex with this name lives.
    static std::string getLockFilePath(const std::string& name);

private:
    enum class Entry { timedOut, reentered, acquired };
    // In-process ownership; `deadline` null waits without limit.
    Entry enter(const timespec* deadline);
    void leave();

    std::string m_name;
    int m_fd = -1;
    pthread_mutex_t m_stateLock = PTHREAD_MUTEX_INITIALIZER;
    pthread_cond_t m_released;
    bool m_owned = false;
    pthread_t m_owner{};
    int m_depth = 0;
};

} // namespace tamu::posix
