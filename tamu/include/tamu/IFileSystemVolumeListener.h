#pragma once

#include "tamu/IBase.h"

namespace tamu {

class IURI;

// Told when a volume appears or goes. A volume is named by the folder URI of its root.
class TAMU_API IFileSystemVolumeListener : public virtual IBase {
public:
    virtual void volumeAdded(IURI* volume) = 0;
    virtual void volumeRemoved(IURI* volume) = 0;
};

} // namespace tamu
