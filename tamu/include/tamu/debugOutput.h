#pragma once

#include "tamu/IBase.h"
#include "tamu/P.h"

namespace tamu {

// Receives what the library writes to the platform's debug channel.
class TAMU_API IDebugSink : public virtual IBase {
public:
    virtual void write(const P<IString>& text) = 0;
};

// Writes text to the debug channel: nowhere by default, standard error (as UTF-8) when the
// environment variable TAMU_DEBUG_OUTPUT is set, or the installed sink.
void debugOutput(const P<IString>& text);

// Installs a sink in place of the platform's channel (null: back to the platform's) and returns
// the one it replaces (null for the platform's), so a test can capture and then restore.
P<IDebugSink> setDebugSink(const P<IDebugSink>& sink);

} // namespace tamu
