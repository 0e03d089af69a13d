// Loads the plug-in the way a framework host does and prints what it announces.
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

namespace {

class CStderrLog : public tamu::CObject, public virtual orxa::common::IHostLog {
public:
    void reserved1() override {}
    int32_t getLevel() override { return orxa::common::hostLevelProgress; }
    void reserved3() override {}
    void log(int32_t level, const tamu::P<tamu::IString>& message) override {
        std::fprintf(stderr, "[%d] %s\n", level, tamu::stringConv::toStdString(*message).c_str());
    }
    void logEntry(const tamu::P<tamu::IString>&, const tamu::CException&) override {}
};

class CSmokeHost : public tamu::CObject, public virtual orxa::common::IPluginHost {
public:
    void reserved1() override {}
    tamu::P<tamu::IMemoryManager> getMemoryManager() override { return {}; }
    void reserved3() override {}
    void reserved4() override {}
    void reserved5() override {}
    void reserved6() override {}
    void reserved7() override {}
    tamu::P<orxa::common::IHostLog> getLog() override { return m_log; }

private:
    tamu::P<orxa::common::IHostLog> m_log = tamu::make<CStderrLog>();
};

} // namespace

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
        tamu::P<CSmokeHost> host = tamu::make<CSmokeHost>();
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
