#pragma once

#include "tamu/IBase.h"
#include "tamu/P.h"

namespace tamu {
class IString;
}

namespace orxa::common {

// How a format's writing has gone. A format logs what goes wrong while opening, encoding and
// writing its file instead of throwing it (libFLAC's callbacks cannot throw, and a failed open
// shows only in isOpen); a host that must not lose audio asks this, with interfaceCast, after
// each call instead of reading the log.
class TAMU_API IFormatStatus : public virtual tamu::IBase {
public:
    // True once something has failed since the last open.
    virtual bool hasFailed() = 0;
    // The log line of the first failure since the last open; null while nothing has failed.
    virtual tamu::P<tamu::IString> getFailure() = 0;
    // What the stream said of that failure (its exception's text, which names the system's
    // reason, as "File too large"), also where the log line leaves it out; null when it said
    // nothing (a failure of libFLAC's own).
    virtual tamu::P<tamu::IString> getFailureReason() = 0;
};

} // namespace orxa::common
