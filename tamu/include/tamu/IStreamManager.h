#pragma once

#include "tamu/IStreamFactory.h"

namespace tamu {

// The process's list of stream factories, asked in registration order; the first one that
// handles a URI opens it. Every operation holds the manager's lock, so a factory must not call
// back into the manager.
class TAMU_API IStreamManager : public virtual IStreamFactory {
public:
    // Appends, without a duplicate check: a factory added twice is asked twice.
    virtual void addFactory(IStreamFactory* factory) = 0;
    // Removes the first entry that is this very object; nothing when there is none.
    virtual void removeFactory(IStreamFactory* factory) = 0;
};

// The process's stream manager, created on first use with the disk stream factory registered.
P<IStreamManager> getStreamManager();

} // namespace tamu
