#pragma once

#include "orxa/common/IHostLog.h"
#include "tamu/CObject.h"

#include <string>

namespace orxa::host {

// The tool's log for the plug-in. With `verbose` every line goes to standard error with its host
// level; without, nothing is printed. The tool learns of failures through the workers'
// optional interfaces (IStreamIntegrity, IFormatStatus), never from these lines.
class CHostLog : public tamu::CObject, public virtual orxa::common::IHostLog {
public:
    explicit CHostLog(bool verbose);

    void reserved1() override {}
    int32_t getLevel() override;
    void reserved3() override {}
    void log(int32_t level, const tamu::P<tamu::IString>& message) override;
    void logEntry(const tamu::P<tamu::IString>& channel,
                  const tamu::CException& exception) override;

private:
    bool m_verbose;
};

} // namespace orxa::host
