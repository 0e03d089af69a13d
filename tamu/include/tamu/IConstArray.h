#pragma once

#include "tamu/IBase.h"
#include "tamu/P.h"

#include <cstdint>

namespace tamu {

class IConstEnum;

// An ordered list of objects that is only read. Elements are compared by identity (the same
// object), never by value; an element may be null.
class TAMU_API IConstArray : public virtual IBase {
public:
    virtual int32_t getCount() const = 0;
    virtual bool isEmpty() const = 0;
    // CInvalidArgError when `index` is not below getCount().
    virtual P<IBase> get(int32_t index) const = 0;
    // The first index at or after `start` that holds `item`, or -1.
    virtual int32_t indexOf(const IBase* item, int32_t start = 0) const = 0;
    virtual bool contains(const IBase* item) const = 0;
    // A walk over the elements; it keeps the array alive.
    virtual P<IConstEnum> getConstEnum() const = 0;
};

} // namespace tamu
