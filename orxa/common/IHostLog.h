#pragma once

#include "tamu/IBase.h"
#include "tamu/P.h"

#include <cstdint>

namespace tamu {
class CException;
}

namespace orxa::common {

// Host log levels: 0 is the most severe. The plug-in's workers write severe lines (ignored
// decoding errors, missing stream information) and progress lines (opening, reading, writing
// and their failures); a log at the least severe level takes every line.
constexpr int32_t hostLevelSevere = 0;
constexpr int32_t hostLevelProgress = 2;
constexpr int32_t hostLevelAll = 3;

// The host's log. Host levels run opposite to the foundation's: 0 is the most severe.
// The slot order is the host's contract; unused slots are kept as placeholders.
class TAMU_API IHostLog : public virtual tamu::IBase {
public:
    virtual void reserved1() = 0;
    virtual int32_t getLevel() = 0;
    virtual void reserved3() = 0;
    virtual void log(int32_t level, const tamu::P<tamu::IString>& message) = 0;
    virtual void logEntry(const tamu::P<tamu::IString>& channel,
                          const tamu::CException& exception) = 0;
};

} // namespace orxa::common
