#include "CPluginHost.h"

#include "CHostLog.h"

#include "tamu/CMemoryManager.h"

namespace orxa::host {

namespace {
// Frame blocks and chunks of a few hundred kilobytes at most are recycled; larger ones are rare.
constexpr int32_t bucketCount = 22;
} // namespace

CPluginHost::CPluginHost(bool verbose)
    : m_memory(tamu::make<tamu::CMemoryManager>(bucketCount)),
      m_log(tamu::make<CHostLog>(verbose)) {}

CPluginHost::~CPluginHost() = default;

tamu::P<tamu::IMemoryManager> CPluginHost::getMemoryManager() {
    return m_memory;
}

tamu::P<orxa::common::IHostLog> CPluginHost::getLog() {
    return m_log;
}

} // namespace orxa::host
