#include "CPluginHost.h"

#include "CHostLog.h"

#include "orxa/common/IHostLog.h"
#include "tamu/CMemoryManager.h"

#include <utility>

namespace orxa::host {

namespace {
// Frame blocks and chunks of a few hundred kilobytes at most are recycled; larger ones are rare.
constexpr int32_t bucketCount = 22;
} // namespace

CPluginHost::CPluginHost(bool verbose)
    : CPluginHost(tamu::make<CHostLog>(verbose), tamu::make<tamu::CMemoryManager>(bucketCount)) {}

CPluginHost::CPluginHost(tamu::P<orxa::common::IHostLog> log, tamu::P<tamu::IMemoryManager> memory)
    : m_memory(std::move(memory)), m_log(std::move(log)) {}

CPluginHost::~CPluginHost() = default;

tamu::P<tamu::IMemoryManager> CPluginHost::getMemoryManager() {
    return m_memory;
}

tamu::P<orxa::common::IHostLog> CPluginHost::getLog() {
    return m_log;
}

} // namespace orxa::host
