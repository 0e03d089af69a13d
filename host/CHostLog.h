#pragma once

#include "orxa/common/IHostLog.h"
#include "tamu/CObject.h"

#include <string>

namespace orxa::host {

// The tool's log for the plug-in. With `verbose` every line goes to standard error with its host
// level; without, nothing is printed. Either way the failures that the plug-in's workers only
// log (they do not throw them) are kept per thread, so the job running on that thread can fail.
class CHostLog : public tamu::CObject, public virtual orxa::common::IHostLog {
public:
    explicit CHostLog(bool verbose);

    void reserved1() override {}
    int32_t getLevel() override;
    void reserved3() override {}
    void log(int32_t level, const tamu::P<tamu::IString>& message) override;
    void logEntry(const tamu::P<tamu::IString>& channel,
                  const tamu::CException& exception) override;

    // The first failure logged on the calling thread since the last call, or "" (and forgets it).
    static std::string takeThreadFailure();
    // Whether a worker's log line tells of a failure it did not throw.
    static bool isFailureLine(const std::string& line);

private:
    bool m_verbose;
};

} // namespace orxa::host
