#include "orxa/common/hostLogging.h"

#include "orxa/common/IHostLog.h"
#include "orxa/common/IPluginHost.h"

namespace orxa::common {

void logToHost(IPluginHost& host, int32_t level, const tamu::P<tamu::IString>& text) {
    tamu::P<IHostLog> hostLog = host.getLog();
    if (hostLog)
        hostLog->log(level, text);
}

} // namespace orxa::common
