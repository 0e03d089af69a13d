#pragma once

#include "tamu/P.h"

#include <cstdint>

namespace tamu {
class IString;
}

namespace orxa::common {

class IPluginHost;

// Host log levels the plug-in's workers write at; 0 is the most severe.
constexpr int32_t hostLevelSevere = 0;
constexpr int32_t hostLevelProgress = 2;

// Writes a line to the host's log; a host without a log gets nothing.
void logToHost(IPluginHost& host, int32_t level, const tamu::P<tamu::IString>& text);

} // namespace orxa::common
