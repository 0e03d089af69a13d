#pragma once

#include "orxa/common/IOrxaPlugin.h"
#include "tamu/CObject.h"

namespace orxa::flac {

// The plug-in object a host receives from orxa_pluginCreate; it holds the host for its whole life.
class CPlugin : public tamu::CObject, public virtual common::IOrxaPlugin {
public:
    explicit CPlugin(common::IPluginHost* host);
    ~CPlugin() override;

    tamu::P<tamu::IString> getName() override;
    uint32_t getCapabilities() override;
    tamu::P<common::IPluginExtensions> getExtensions(uint32_t kindMask) override;
    tamu::P<common::ISource> createSource(const tamu::P<tamu::IString>& location, uint32_t kindMask,
                                          int32_t ignored,
                                          const common::SourceOptions* options) override;
    tamu::P<common::IFormat> createFormat(const tamu::P<tamu::IString>& location, uint32_t kindMask,
                                          int32_t ignored,
                                          const common::FormatOptions* options) override;
    tamu::P<tamu::IBase> reservedCreate(int32_t a, int32_t b) override;

private:
    tamu::P<common::IPluginHost> m_host;
};

} // namespace orxa::flac
