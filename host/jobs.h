#pragma once

#include "Layout.h"

#include "tamu/P.h"

#include <functional>
#include <string>
#include <vector>

namespace tamu {
class IMemoryManager;
}
namespace orxa::common {
class IOrxaPlugin;
}

namespace orxa::host {

class CProgress;

struct JobContext {
    tamu::P<orxa::common::IOrxaPlugin> plugin;
    tamu::P<tamu::IMemoryManager> memory;
    bool quiet = false;
};

struct Job {
    std::string input;
    std::string output;
};

// Each throws CJobError naming the file at fault; the output appears only when all went well.
void decodeFile(const JobContext& context, const Job& job, const Layout& wanted,
                CProgress& progress);
void encodeFile(const JobContext& context, const Job& job, CProgress& progress);
void transcodeFile(const JobContext& context, const Job& job, const Layout& wanted,
                   CProgress& progress);
// The stream information and tags of a FLAC file, as printed by `info`.
std::string describeFile(const JobContext& context, const std::string& path);

// Runs `work` for every job on up to `threads` threads; each failure is printed as one line.
// Returns the number of jobs that failed.
int runJobs(const std::vector<Job>& jobs, int threads, const std::function<void(const Job&)>& work);

} // namespace orxa::host
