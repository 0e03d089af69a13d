#pragma once

#include "tamu/IBase.h"
#include "tamu/P.h"

#include <cstdint>

namespace orxa::common {

class IPluginExtensions;
class ISource;
class IFormat;
struct SourceOptions;
struct FormatOptions;

enum : uint32_t {
    sourceKind = 2,  // audio source (decoder)
    formatKind = 16, // audio format (encoder)
};

// The plug-in object as the host sees it. The slot order is the host's contract.
class TAMU_API IOrxaPlugin : public virtual tamu::IBase {
public:
    virtual tamu::P<tamu::IString> getName() = 0;
    virtual uint32_t getCapabilities() = 0;
    virtual tamu::P<IPluginExtensions> getExtensions(uint32_t kindMask) = 0;
    virtual tamu::P<ISource> createSource(const tamu::P<tamu::IString>& location, uint32_t kindMask,
                                          int32_t ignored, const SourceOptions* options) = 0;
    virtual tamu::P<IFormat> createFormat(const tamu::P<tamu::IString>& location, uint32_t kindMask,
                                          int32_t ignored, const FormatOptions* options) = 0;
    virtual tamu::P<tamu::IBase> reservedCreate(int32_t a, int32_t b) = 0;
};

} // namespace orxa::common

namespace orxa::common {
class IPluginHost;
}

extern "C" {
// The plug-in's one export. Stores the new plug-in object (or an empty pointer) in `result` and
// returns `result`. Never throws.
TAMU_API tamu::P<orxa::common::IOrxaPlugin>*
orxa_pluginCreate(tamu::P<orxa::common::IOrxaPlugin>* result, orxa::common::IPluginHost* host);
}
