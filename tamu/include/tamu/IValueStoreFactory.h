#pragma once

#include "tamu/IBase.h"
#include "tamu/P.h"

#include <cstdint>

namespace tamu {

class IURI;
class IValueStore;

// Makes a value store for the URIs it recognises; empty for any other URI.
class TAMU_API IValueStoreFactory : public virtual IBase {
public:
    // `mode` holds the access flags of IValueStore.h.
    virtual P<IValueStore> createValueStore(IURI* uri, int32_t mode) = 0;
};

} // namespace tamu
