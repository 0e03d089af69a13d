#pragma once

#include "tamu/CObject.h"
#include "tamu/IMutex.h"

#include <string>
#include <time.h>

namespace tamu::posix {

// A system-wide mutex: an exclusive flock on a lock file named after the mutex. The kernel
// drops the lock when its owner dies, so a mutex abandoned by a crashed process is simply
// taken over. A named mutex is owned by a thread, whichever object of the name it locks
// through: all objects of one lock file in a process share one record (the descriptor that
// holds the file lock, the owning thread, the depth), the file lock is taken by the outermost
// lock only, and the other threads of the process wait on the record.
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

    struct Record;

private:
    std::string m_name;
    Record* m_record;
};

} // namespace tamu::posix
