#pragma once

#include "tamu/IBase.h"
#include "tamu/P.h"

namespace tamu {

class IString;

// Walks the elements of a container once. next() past the last element throws CEndOfEnumError.
class TAMU_API IEnum : public virtual IBase {
public:
    virtual bool hasMore() const = 0;
    virtual P<IBase> next() = 0;
    // Removes the element that next() returned last from the container; the walk goes on with
    // the element after it. CInvalidObjectStateError when next() has not been called or the
    // element was removed already.
    virtual void remove() = 0;
};

// The same for a container that is only read.
class TAMU_API IConstEnum : public virtual IBase {
public:
    virtual bool hasMore() const = 0;
    virtual P<IBase> next() = 0;
};

// A walk over strings (the names of a value list, say).
class TAMU_API IStringEnum : public virtual IBase {
public:
    virtual bool hasMore() const = 0;
    virtual P<IString> next() = 0;
};

} // namespace tamu
