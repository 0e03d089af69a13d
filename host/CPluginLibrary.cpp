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
    void* handle = dlopen(name.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle)
        throw std::runtime_error(std::string("cannot load the plug-in: ") + dlerror());
    m_create = reinterpret_cast<CreateFn>(dlsym(handle, "orxa_pluginCreate"));
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

std::string CPluginLibrary::defaultPath() {
    namespace fs = std::filesystem;
    std::error_code error;
    fs::path self = fs::read_symlink("/proc/self/exe", error);
    if (error)
        return pluginFile;
    fs::path beside = self.parent_path() / pluginFile;
    if (fs::exists(beside, error))
        return beside.string();
    fs::path installed = self.parent_path().parent_path() / "lib" / pluginFile;
    if (fs::exists(installed, error))
        return installed.string();
    return beside.string();
}

} // namespace orxa::host
