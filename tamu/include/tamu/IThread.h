#pragma once

#include "tamu/IBase.h"

#include <cstdint>

namespace tamu {

// The work a platform thread runs.
class TAMU_API IRunnable : public virtual IBase {
public:
    virtual void run() = 0;
};

// A running platform thread. It keeps itself alive until its work ends, so dropping the last
// outside reference neither stops nor waits for it.
class TAMU_API IThread : public virtual IBase {
public:
    // Waits for the work to end; rethrows what the work threw. Later calls return at once.
    virtual void join() = 0;
    // The operating system's identifier of the thread, as getCurrentThreadId reports it there.
    virtual uint64_t getThreadId() const = 0;
};

} // namespace tamu
