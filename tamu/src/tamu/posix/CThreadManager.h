#pragma once

#include "tamu/CObject.h"
#include "tamu/IThreadManager.h"

namespace tamu::posix {

// Thread identity is the kernel's thread id; the main thread is the one whose id is the
// process id. That is asked afresh on every call rather than remembered, so a forked child
// (whose forking thread becomes its main thread) gets the right answer.
class CThreadManager : public CObject, public virtual IThreadManager {
public:
    P<IThread> createThread(const P<IRunnable>& work) override;
    void yield(bool longer) override;
    void sleep(uint32_t duration) override;
    uint64_t getCurrentThreadId() override;
    bool isMainThread() override;
};

} // namespace tamu::posix
