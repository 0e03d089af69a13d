#include "orxa/flac/CPlugin.h"

#include "orxa/common/CPluginExtensions.h"
#include "orxa/common/IFormat.h"
#include "orxa/common/IHostLog.h"
#include "orxa/common/IPluginExtensions.h"
#include "orxa/common/IPluginHost.h"
#include "orxa/common/ISource.h"
#include "orxa/common/logBridge.h"
#include "orxa/common/workerOptions.h"
#include "orxa/flac/CFLACFormat.h"
#include "orxa/flac/CFLACSource.h"
#include "tamu/IString.h"
#include "tamu/stringConv.h"

#include <cstring>
#include <new>

namespace orxa::flac {

namespace {

constexpr uint32_t capabilities = common::sourceKind | common::formatKind;

// The host's record as far as it says and this plug-in knows it; a record claiming more than
// that is not trusted at all. Without a record the layout is all zeros.
template <class Options>
Options copyOptions(const Options* options) {
    Options copy{};
    if (options && options->size > 0 && static_cast<std::size_t>(options->size) <= sizeof(Options))
        std::memcpy(&copy, options, static_cast<std::size_t>(options->size));
    return copy;
}

} // namespace

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

tamu::P<common::IPluginExtensions> CPlugin::getExtensions(uint32_t kindMask) {
    // Nothing may escape to the host; a list that cannot be made is an empty pointer.
    try {
        auto extensions = tamu::make<common::CPluginExtensions>();
        // Both kinds handle the same files; the list keeps the entry once.
        if (kindMask & common::sourceKind)
            extensions->addExtension(tamu::str("flac"));
        if (kindMask & common::formatKind)
            extensions->addExtension(tamu::str("flac"));
        return extensions;
    } catch (...) {
        return {};
    }
}

tamu::P<common::ISource> CPlugin::createSource(const tamu::P<tamu::IString>& location,
                                               uint32_t kindMask, int32_t,
                                               const common::SourceOptions* options) {
    if (!(kindMask & common::sourceKind) || !location)
        return {};
    try {
        common::SourceOptions copy = copyOptions(options);
        return tamu::make<CFLACSource>(m_host.get(), getName(), location, copy.sampleRate,
                                       copy.channels, copy.bytesPerSample);
    } catch (...) {
        return {};
    }
}

tamu::P<common::IFormat> CPlugin::createFormat(const tamu::P<tamu::IString>& location,
                                               uint32_t kindMask, int32_t,
                                               const common::FormatOptions* options) {
    if (!(kindMask & common::formatKind) || !location)
        return {};
    try {
        common::FormatOptions copy = copyOptions(options);
        return tamu::make<CFLACFormat>(m_host.get(), getName(), location, copy.sampleRate,
                                       copy.channels, copy.bytesPerSample);
    } catch (...) {
        return {};
    }
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
