#pragma once

// A host as a framework application would be: it loads the built plug-in with dlopen and hands
// it an IPluginHost of its own, recording every log line the plug-in writes.

#include "host/CPluginHost.h"
#include "orxa/common/IHostLog.h"
#include "orxa/common/IOrxaPlugin.h"
#include "orxa/common/IPluginHost.h"
#include "tamu/CObject.h"
#include "tamu/IMemoryManager.h"
#include "tamu/IString.h"
#include "tamu/interfaceCast.h"
#include "tamu/stringConv.h"

#include <dlfcn.h>

#include <mutex>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

namespace testhost {

struct LogLine {
    int32_t level;
    std::string text;
};

class CTestHostLog : public tamu::CObject, public virtual orxa::common::IHostLog {
public:
    explicit CTestHostLog(int32_t level = 3) : m_level(level) {}

    void reserved1() override {}
    int32_t getLevel() override { return m_level; }
    void reserved3() override {}
    void log(int32_t level, const tamu::P<tamu::IString>& message) override {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_lines.push_back({level, message ? tamu::stringConv::toStdString(*message) : ""});
    }
    void logEntry(const tamu::P<tamu::IString>&, const tamu::CException&) override {
        std::lock_guard<std::mutex> lock(m_mutex);
        ++m_entries;
    }

    std::vector<LogLine> lines() const {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_lines;
    }
    int entries() const {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_entries;
    }
    void setLevel(int32_t level) { m_level = level; }

private:
    mutable std::mutex m_mutex;
    std::vector<LogLine> m_lines;
    int m_entries = 0;
    int32_t m_level;
};

// The tool's host class, which tells the test when the plug-in lets it go.
class CTestPluginHost : public orxa::host::CPluginHost {
public:
    CTestPluginHost(tamu::P<orxa::common::IHostLog> log, tamu::P<tamu::IMemoryManager> memory,
                    bool* destroyed = nullptr)
        : CPluginHost(std::move(log), std::move(memory)), m_destroyed(destroyed) {}
    ~CTestPluginHost() override {
        if (m_destroyed)
            *m_destroyed = true;
    }

private:
    bool* m_destroyed;
};

// The built plug-in, loaded as a host loads it.
class PluginLibrary {
public:
    using CreateFn = tamu::P<orxa::common::IOrxaPlugin>* (*)(tamu::P<orxa::common::IOrxaPlugin>*,
                                                             orxa::common::IPluginHost*);

    explicit PluginLibrary(const char* path = ORXA_PLUGIN_PATH)
        : m_handle(dlopen(path, RTLD_NOW | RTLD_LOCAL)) {
        if (!m_handle)
            throw std::runtime_error(std::string("dlopen failed: ") + dlerror());
        m_create = reinterpret_cast<CreateFn>(dlsym(m_handle, "orxa_pluginCreate"));
        if (!m_create)
            throw std::runtime_error("orxa_pluginCreate is not exported");
    }
    PluginLibrary(const PluginLibrary&) = delete;
    PluginLibrary& operator=(const PluginLibrary&) = delete;
    // Objects from the plug-in must be gone before it is unloaded; tests keep the library for
    // the whole process instead of guessing when that is.
    ~PluginLibrary() = default;

    void* handle() const { return m_handle; }

    tamu::P<orxa::common::IOrxaPlugin> create(orxa::common::IPluginHost* host) const {
        tamu::P<orxa::common::IOrxaPlugin> result;
        tamu::P<orxa::common::IOrxaPlugin>* returned = m_create(&result, host);
        if (returned != &result)
            throw std::runtime_error("orxa_pluginCreate did not return its result slot");
        return result;
    }

    // One loaded copy for the whole test process.
    static PluginLibrary& shared() {
        static PluginLibrary library;
        return library;
    }

private:
    void* m_handle;
    CreateFn m_create = nullptr;
};

} // namespace testhost
