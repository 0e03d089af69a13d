#pragma once

#include "tamu/CObject.h"
#include "tamu/IThread.h"
#include "tamu/P.h"

#include <atomic>
#include <exception>
#include <mutex>
#include <pthread.h>

namespace tamu::posix {

// A pthread running one IRunnable. The thread holds a reference to its own object until the
// work ends, so the object outlives the work whoever lets go of it first.
class CThread : public CObject, public virtual IThread {
public:
    static P<CThread> start(const P<IRunnable>& work);
    ~CThread() override;

    void join() override;
    uint64_t getThreadId() const override;

private:
    explicit CThread(const P<IRunnable>& work);
    static void* threadMain(void* self);

    P<IRunnable> m_work;
    pthread_t m_handle{};
    std::atomic<uint64_t> m_threadId{0};
    std::mutex m_joinLock;
    bool m_joined = false;
    std::exception_ptr m_failure;
};

} // namespace tamu::posix
