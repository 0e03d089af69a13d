#pragma once

#include "tamu/IBase.h"
#include "tamu/P.h"

#include <cstdint>

namespace tamu {
class IURI;
}

namespace orxa::common {

// A worker that writes media. The slot order is the host's contract.
class TAMU_API IFormat : public virtual tamu::IBase {
public:
    virtual bool isOpen() = 0;
    virtual void open() = 0;
    virtual void close() = 0;
    virtual tamu::P<tamu::IURI> getURI() = 0;
    virtual bool queryFlag() = 0;
    virtual tamu::P<tamu::IString> getPluginName() = 0;
    virtual int64_t estimateSize(double seconds) = 0;
};

} // namespace orxa::common
