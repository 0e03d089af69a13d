#pragma once

#include "tamu/IValueStoreFactory.h"

namespace tamu {

// The process's value store factories, asked in registration order; the first store made is
// the answer.
class TAMU_API IValueStoreManager : public virtual IValueStoreFactory {
public:
    // Appends, without a duplicate check.
    virtual void addValueStoreFactory(IValueStoreFactory* factory) = 0;
    // Removes the first entry that is this very object.
    virtual void removeValueStoreFactory(IValueStoreFactory* factory) = 0;
};

// The process's value store manager, created on first use with the XML, JSON and registry
// factories registered, in that order.
P<IValueStoreManager> getValueStoreManager();

} // namespace tamu
