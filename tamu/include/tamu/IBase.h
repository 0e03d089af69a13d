#pragma once

#include "tamu/api.h"

#include <typeinfo>

namespace tamu {

template <class T>
class P;
class IString;
class IBase;

// Extra objects an object hands interface queries to (see interfaceCast).
struct CastDelegateNode {
    IBase* object;
    CastDelegateNode* next;
};

class TAMU_API IBase {
public:
    virtual ~IBase() = default;
    virtual void addRef() const = 0;
    virtual void release() const = 0;
    // Returning false vetoes every cast of this object. The caller pre-sets both outs to null.
    virtual bool getCastDelegates(const std::type_info& type, IBase** delegate,
                                  CastDelegateNode** extras) const = 0;
    virtual P<IString> toString() const = 0;
};

} // namespace tamu
