#pragma once

#include "tamu/IBase.h"
#include "tamu/P.h"

namespace tamu {
class IMemoryManager;
}

namespace orxa::common {

class IHostLog;

// The host's service interface. The plug-in calls only getMemoryManager and getLog; the other
// slots belong to the host and are kept as placeholders so the table lines up.
class TAMU_API IPluginHost : public virtual tamu::IBase {
public:
    virtual void reserved1() = 0;
    virtual tamu::P<tamu::IMemoryManager> getMemoryManager() = 0;
    virtual void reserved3() = 0;
    virtual void reserved4() = 0;
    virtual void reserved5() = 0;
    virtual void reserved6() = 0;
    virtual void reserved7() = 0;
    virtual tamu::P<IHostLog> getLog() = 0;
};

} // namespace orxa::common
