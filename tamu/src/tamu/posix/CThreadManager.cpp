#include "tamu/posix/CThreadManager.h"

#include "tamu/posix/CThread.h"

#include <cerrno>
#include <ctime>
#include <sched.h>
#include <unistd.h>

namespace tamu::posix {

P<IThread> CThreadManager::createThread(const P<IRunnable>& work) {
    return CThread::start(work);
}

void CThreadManager::yield(bool longer) {
    if (longer)
        sleep(1);
    else
        sched_yield();
}

void CThreadManager::sleep(uint32_t duration) {
    timespec remaining{static_cast<time_t>(duration / 1000),
                       static_cast<long>(duration % 1000) * 1000000L};
    while (nanosleep(&remaining, &remaining) != 0 && errno == EINTR) {
    }
}

uint64_t CThreadManager::getCurrentThreadId() {
    return static_cast<uint64_t>(gettid());
}

bool CThreadManager::isMainThread() {
    return gettid() == getpid();
}

} // namespace tamu::posix
