#pragma once

#include "orxa/common/IPluginHost.h"
#include "tamu/CObject.h"

namespace orxa::host {

// What a host offers the plug-in: the memory manager its workers allocate from and a log. The
// tool, the smoke host, the benchmarks and the tests all hand the plug-in one of these.
class CPluginHost : public tamu::CObject, public virtual orxa::common::IPluginHost {
public:
    // The tool's: one recycling memory manager shared by every worker (its size classes have
    // locks of their own, so parallel jobs may share it) and the tool's log.
    explicit CPluginHost(bool verbose);
    // Either may be null: the plug-in then has no memory manager, or writes no log.
    CPluginHost(tamu::P<orxa::common::IHostLog> log, tamu::P<tamu::IMemoryManager> memory);
    ~CPluginHost() override;

    void reserved1() override {}
    tamu::P<tamu::IMemoryManager> getMemoryManager() override;
    void reserved3() override {}
    void reserved4() override {}
    void reserved5() override {}
    void reserved6() override {}
    void reserved7() override {}
    tamu::P<orxa::common::IHostLog> getLog() override;

private:
    tamu::P<tamu::IMemoryManager> m_memory;
    tamu::P<orxa::common::IHostLog> m_log;
};

} // namespace orxa::host
