#pragma once

#include "tamu/IBase.h"

#include <cstdint>

namespace tamu {

// An object with a natural order. Answers -1, 0 or 1; a null `other` orders first.
class TAMU_API IComparable : public virtual IBase {
public:
    virtual int32_t compareTo(const IBase* other) const = 0;
};

} // namespace tamu
