#pragma once

#include "orxa/common/IPluginHost.h"
#include "tamu/CObject.h"

namespace orxa::host {

class CHostLog;

// What the tool offers the plug-in: one recycling memory manager shared by every worker (its
// size classes have locks of their own, so parallel jobs may share it) and the tool's log.
class CPluginHost : public tamu::CObject, public virtual orxa::common::IPluginHost {
public:
    explicit CPluginHost(bool verbose);
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
