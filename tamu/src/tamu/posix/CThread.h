#pragma once

#include "tamu/CObject.h"
#include "tamu/IThread.h"
#include "tamu/P.h"

#include <pthread.h>
#include <string>

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
    // Set once by the new thread; start() waits for it under m_idLock.
    pthread_mutex_t m_idLock = PTHREAD_MUTEX_INITIALIZER;
    pthread_cond_t m_idKnown = PTHREAD_COND_INITIALIZER;
    uint64_t m_threadId = 0;
    pthread_mutex_t m_joinLock = PTHREAD_MUTEX_INITIALIZER;
    bool m_joined = false;
    // What the work threw, passed on to the joiner as a message.
    bool m_failed = false;
    std::string m_failure;
};

} // namespace tamu::posix
