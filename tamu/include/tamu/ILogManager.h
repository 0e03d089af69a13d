#pragma once

#include "tamu/ILog.h"

namespace tamu {

// The process's log: it prints nothing itself but hands every entry at or above its minimum
// level to the listeners of the entry's channel, then to the listeners of all channels.
class TAMU_API ILogManager : public virtual ILog {
public:
    // An empty or null channel registers the listener for every channel. A listener may be
    // registered more than once; each registration receives the entry.
    virtual void addListener(const P<IString>& channel, ILog* listener) = 0;
    // Removes one registration made with the same channel; an unknown listener is ignored.
    virtual void removeListener(const P<IString>& channel, ILog* listener) = 0;
};

// The process's log manager, created on first use (minimum level 1) and kept until the library
// is unloaded. Foundation code logs on a channel named after its class, e.g.
// getLogManager()->logAtLevel1(str("CMemoryManager"), message).
P<ILogManager> getLogManager();

} // namespace tamu
