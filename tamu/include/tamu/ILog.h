#pragma once

#include "tamu/IBase.h"
#include "tamu/P.h"

#include <cstdint>

namespace tamu {

class CException;

// A log: entries carry a level (0 to 3, 3 the most severe), a channel name and a message.
// The two further values of `log` mean nothing to the log manager; it hands them on to its
// listeners unchanged, and the shortcuts pass -1 for both.
class TAMU_API ILog : public virtual IBase {
public:
    // Handed on without looking at the minimum level.
    virtual void write(const P<IString>& channel, const P<IString>& text) = 0;
    virtual void setLevel(int32_t level) = 0;
    virtual int32_t getLevel() = 0;
    virtual void log(int32_t level, const P<IString>& channel, const P<IString>& message, int32_t a,
                     int32_t b) = 0;
    virtual void logAtLevel0(const P<IString>& channel, const P<IString>& message) = 0;
    virtual void logAtLevel1(const P<IString>& channel, const P<IString>& message) = 0;
    virtual void logAtLevel2(const P<IString>& channel, const P<IString>& message) = 0;
    virtual void logAtLevel3(const P<IString>& channel, const P<IString>& message) = 0;
    // The exception's message at level 3.
    virtual void logException(const P<IString>& channel, const CException& exception) = 0;
};

} // namespace tamu
