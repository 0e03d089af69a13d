#pragma once

#include "tamu/IBase.h"
#include "tamu/P.h"

#include <cstdint>

namespace tamu {
class IURI;
}

namespace orxa::common {

// A worker that reads media. The slot order is the host's contract.
class TAMU_API ISource : public virtual tamu::IBase {
public:
    virtual bool isOpen() = 0;
    virtual void open() = 0;
    virtual void close() = 0;
    virtual void skipTo(double seconds) = 0;
    virtual double getDuration() = 0;
    virtual int32_t queryNumber() = 0;
    virtual bool isAtEnd() = 0;
    virtual void setUserValue(double value) = 0;
    virtual double getUserValue() = 0;
    virtual tamu::P<tamu::IURI> getURI() = 0;
    virtual bool queryFlag() = 0;
    virtual tamu::P<tamu::IString> getPluginName() = 0;
};

} // namespace orxa::common
