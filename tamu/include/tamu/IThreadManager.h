#pragma once

#include "tamu/IBase.h"
#include "tamu/P.h"

#include <cstdint>

namespace tamu {

class IRunnable;
class IThread;

class TAMU_API IThreadManager : public virtual IBase {
public:
    // Starts a thread that runs `work`.
    virtual P<IThread> createThread(const P<IRunnable>& work) = 0;
    // Gives up the processor: briefly, or for about a millisecond when `longer` is true.
    virtual void yield(bool longer) = 0;
    // Sleeps `duration` milliseconds; signals do not cut the sleep short.
    virtual void sleep(uint32_t duration) = 0;
    virtual uint64_t getCurrentThreadId() = 0;
    virtual bool isMainThread() = 0;
};

} // namespace tamu
