#pragma once

#include "orxa/common/IHostLog.h"
#include "tamu/P.h"

#include <cstdint>

namespace tamu {
class IString;
}

namespace orxa::common {

class IPluginHost;

// Writes a line to the host's log; a host without a log gets nothing.
void logToHost(IPluginHost& host, int32_t level, const tamu::P<tamu::IString>& text);

} // namespace orxa::common
