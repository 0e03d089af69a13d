#pragma once

#include "tamu/P.h"

#include <string>

namespace orxa::common {
class IOrxaPlugin;
class IPluginHost;
} // namespace orxa::common

namespace orxa::host {

// The plug-in loaded as a framework host loads it. It is never unloaded: objects it made may
// live until the process ends, and its code must stay for them.
class CPluginLibrary {
public:
    // Throws std::runtime_error with dlopen's reason.
    explicit CPluginLibrary(const std::string& path);
    CPluginLibrary(const CPluginLibrary&) = delete;
    CPluginLibrary& operator=(const CPluginLibrary&) = delete;

    // Throws std::runtime_error when the plug-in makes no object.
    tamu::P<orxa::common::IOrxaPlugin> create(orxa::common::IPluginHost* host) const;

    // The versions of libFLAC and libsoxr the plug-in runs on, as they tell them; "unknown"
    // when the plug-in does not use the library.
    std::string flacVersion() const;
    std::string soxrVersion() const;

    // The plug-in beside this program (the build tree), else in the lib directory next to its bin
    // directory (an installed tree).
    static std::string defaultPath();

private:
    using CreateFn = tamu::P<orxa::common::IOrxaPlugin>* (*)(tamu::P<orxa::common::IOrxaPlugin>*,
                                                             orxa::common::IPluginHost*);
    void* m_handle = nullptr;
    CreateFn m_create = nullptr;
};

} // namespace orxa::host
