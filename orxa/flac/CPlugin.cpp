#include "orxa/flac/CPlugin.h"

#include "orxa/common/IFormat.h"
#include "orxa/common/IHostLog.h"
#include "orxa/common/IPluginExtensions.h"
#include "orxa/common/IPluginHost.h"
#include "orxa/common/ISource.h"
#include "orxa/common/logBridge.h"
#include "tamu/IString.h"
#include "tamu/stringConv.h"

#include <new>

namespace orxa::flac {

namespace {
constexpr uint32_t capabilities = common::sourceKind | common::formatKind;
}

CPlugin::CPlugin(common::IPluginHost* host) : m_host(host) {
    common::installLogBridge(m_host->getLog());
}

CPlugin::~CPlugin() {
    // Every bridge goes quiet, not only this object's: a later plug-in object for the same host
    // log finds the old bridge and does not connect it again.
    common::removeLogBridges();
}

tamu::P<tamu::IString> CPlugin::getName() {
    return tamu::str("orxa_flac");
}

uint32_t CPlugin::getCapabilities() {
    return capabilities;
}

tamu::P<common::IPluginExtensions> CPlugin::getExtensions(uint32_t) {
    return {};
}

tamu::P<common::ISource> CPlugin::createSource(const tamu::P<tamu::IString>&, uint32_t, int32_t,
                                               const common::SourceOptions*) {
    return {};
}

tamu::P<common::IFormat> CPlugin::createFormat(const tamu::P<tamu::IString>&, uint32_t, int32_t,
                                               const common::FormatOptions*) {
    return {};
}

tamu::P<tamu::IBase> CPlugin::reservedCreate(int32_t, int32_t) {
    return {};
}

} // namespace orxa::flac

extern "C" TAMU_API tamu::P<orxa::common::IOrxaPlugin>*
orxa_pluginCreate(tamu::P<orxa::common::IOrxaPlugin>* result, orxa::common::IPluginHost* host) {
    // Nothing may escape to the host: a failed allocation leaves an empty pointer.
    try {
        *result = tamu::adopt<orxa::common::IOrxaPlugin>(new orxa::flac::CPlugin(host));
    } catch (...) {
        *result = nullptr;
    }
    return result;
}
