#pragma once

#include "tamu/IBase.h"

namespace tamu {

class TAMU_API IObjectDestructListener : public virtual IBase {
public:
    virtual void onObjectDestruct(IBase* object) = 0;
};

} // namespace tamu
