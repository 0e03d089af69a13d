#include "soundFileLibrary.h"

#include <dlfcn.h>

#include <mutex>
#include <stdexcept>
#include <string>

namespace orxa::host::soundfile {

namespace {

// The soname the build's development files link against.
constexpr const char* libraryName = "libsndfile.so.1";

struct Loaded {
    Api api{};
    std::string failure;
};

template <class Function>
void bind(void* handle, const char* name, Function& function, std::string& failure) {
    function = reinterpret_cast<Function>(dlsym(handle, name));
    if (!function && failure.empty())
        failure = std::string(libraryName) + " has no " + name;
}

Loaded load() {
    Loaded loaded;
    // Kept for the life of the process: the tool holds no handle to give back.
    void* handle = dlopen(libraryName, RTLD_LAZY | RTLD_LOCAL);
    if (!handle) {
        const char* reason = dlerror();
        loaded.failure =
            std::string("cannot load ") + libraryName + ": " + (reason ? reason : "unknown reason");
        return loaded;
    }
    Api& api = loaded.api;
    std::string& failure = loaded.failure;
    bind(handle, "sf_open", api.open, failure);
    bind(handle, "sf_open_fd", api.openFd, failure);
    bind(handle, "sf_open_virtual", api.openVirtual, failure);
    bind(handle, "sf_close", api.close, failure);
    bind(handle, "sf_command", api.command, failure);
    bind(handle, "sf_set_string", api.setString, failure);
    bind(handle, "sf_get_string", api.getString, failure);
    bind(handle, "sf_strerror", api.strerror, failure);
    bind(handle, "sf_error", api.error, failure);
    bind(handle, "sf_readf_int", api.readfInt, failure);
    bind(handle, "sf_writef_int", api.writefInt, failure);
    return loaded;
}

} // namespace

const Api& api() {
    static const Loaded loaded = load();
    if (!loaded.failure.empty())
        throw std::runtime_error(loaded.failure);
    return loaded.api;
}

} // namespace orxa::host::soundfile
