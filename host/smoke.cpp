// Loads the plug-in the way a framework host does and prints what it announces.
#include "CPluginHost.h"

#include "orxa/common/IHostLog.h"
#include "orxa/common/IOrxaPlugin.h"
#include "orxa/common/IPluginHost.h"
#include "tamu/CObject.h"
#include "tamu/IMemoryManager.h"
#include "tamu/IString.h"
#include "tamu/stringConv.h"

#include <dlfcn.h>

#include <cstdio>
#include <string>

int main(int argc, char** argv) {
    const char* path = argc > 1 ? argv[1] : "./liborxa_flac.so";
    void* handle = dlopen(path, RTLD_NOW | RTLD_LOCAL);
    if (!handle) {
        std::fprintf(stderr, "orxa-smoke: cannot load %s: %s\n", path, dlerror());
        return 1;
    }
    using CreateFn = tamu::P<orxa::common::IOrxaPlugin>* (*)(tamu::P<orxa::common::IOrxaPlugin>*,
                                                             orxa::common::IPluginHost*);
    auto create = reinterpret_cast<CreateFn>(dlsym(handle, "orxa_pluginCreate"));
    if (!create) {
        std::fprintf(stderr, "orxa-smoke: %s exports no orxa_pluginCreate\n", path);
        return 1;
    }
    int status = 1;
    {
        // The tool's host, verbose: every line the plug-in logs goes to stderr.
        tamu::P<orxa::host::CPluginHost> host = tamu::make<orxa::host::CPluginHost>(true);
        tamu::P<orxa::common::IOrxaPlugin> plugin;
        create(&plugin, host.get());
        if (plugin) {
            std::printf("plug-in:      %s\n",
                        tamu::stringConv::toStdString(*plugin->getName()).c_str());
            std::printf("capabilities: %u (source %s, format %s)\n", plugin->getCapabilities(),
                        plugin->getCapabilities() & orxa::common::sourceKind ? "yes" : "no",
                        plugin->getCapabilities() & orxa::common::formatKind ? "yes" : "no");
            status = 0;
        } else {
            std::fprintf(stderr, "orxa-smoke: the plug-in object could not be created\n");
        }
    }
    dlclose(handle);
    return status;
}
