#include "CPluginLibrary.h"

#include "orxa/common/IOrxaPlugin.h"

#include <dlfcn.h>

#include <filesystem>
#include <stdexcept>
#include <system_error>

namespace orxa::host {

namespace {
constexpr const char* pluginFile = "liborxa_flac.so";
}

CPluginLibrary::CPluginLibrary(const std::string& path) {
    // dlopen searches the library path for a bare name; a file the user names is meant as given.
    std::string name = path.find('/') == std::string::npos ? "./" + path : path;
    m_handle = dlopen(name.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!m_handle)
        throw std::runtime_error(std::string("cannot load the plug-in: ") + dlerror());
    m_create = reinterpret_cast<CreateFn>(dlsym(m_handle, "orxa_pluginCreate"));
    if (!m_create)
        throw std::runtime_error("not an orxa plug-in (no orxa_pluginCreate)");
}

tamu::P<orxa::common::IOrxaPlugin> CPluginLibrary::create(orxa::common::IPluginHost* host) const {
    tamu::P<orxa::common::IOrxaPlugin> plugin;
    m_create(&plugin, host);
    if (!plugin)
        throw std::runtime_error("the plug-in could not make its plug-in object");
    return plugin;
}

// A handle's symbols include those of the libraries it depends on: these are the very copies the
// plug-in calls.
std::string CPluginLibrary::flacVersion() const {
    auto text = static_cast<const char* const*>(dlsym(m_handle, "FLAC__VERSION_STRING"));
    return text && *text ? *text : "unknown";
}

std::string CPluginLibrary::soxrVersion() const {
    using VersionFn = const char* (*)();
    auto version = reinterpret_cast<VersionFn>(dlsym(m_handle, "soxr_version"));
    return version ? version() : "unknown";
}

std::string CPluginLibrary::defaultPath() {
    namespace fs = std::filesystem;
    std::error_code error;
    fs::path self = fs::read_symlink("/proc/self/exe", error);
    if (error)
        return pluginFile;
    fs::path beside = self.parent_path() / pluginFile;
    if (fs::exists(beside, error))
        return beside.string();
    // Installed: the tool lies in the prefix's bin directory, the plug-in in its plug-in one.
    fs::path prefix = self.parent_path();
    const fs::path binDir(ORXA_BIN_INSTALL_DIR);
    for (auto part = binDir.begin(); part != binDir.end(); ++part)
        prefix = prefix.parent_path();
    fs::path installed = prefix / ORXA_PLUGIN_INSTALL_DIR / pluginFile;
    if (fs::exists(installed, error))
        return installed.string();
    return beside.string();
}

} // namespace orxa::host
