#pragma once

#include "tamu/P.h"

namespace orxa::common {

class IHostLog;

// Connects a host log to the foundation's log manager for every channel. False when the log is
// empty or already has a bridge. Bridges are kept until the library is unloaded, so a host log
// is bridged at most once per process: after removeLogBridges it stays cut off.
bool installLogBridge(const tamu::P<IHostLog>& hostLog);
// Disconnects every bridge from the log manager (the bridges themselves are kept).
void removeLogBridges();

} // namespace orxa::common
