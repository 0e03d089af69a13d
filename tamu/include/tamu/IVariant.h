#pragma once

#include "tamu/IBase.h"
#include "tamu/P.h"

namespace tamu {

class IString;

// A node of the value tree that JSON is read into and written from (CVariantMap, CVariantArray,
// CVariantString, CVariantInt64, CVariantDouble, CVariantBoolean, CVariantNull, ...).
class TAMU_API IVariant : public virtual IBase {
public:
    // The value as text for display (not JSON).
    virtual P<IString> asText() const = 0;
    // A new variant of the same kind and value; containers copy their whole structure, so the
    // copy shares no variant with the original.
    virtual P<IVariant> clone() const = 0;
};

} // namespace tamu
