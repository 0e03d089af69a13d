#pragma once

#include "Layout.h"
#include "channelLayout.h"
#include "encodeChoices.h"
#include "pcmSinks.h"
#include "span.h"

#include "tamu/P.h"

#include <functional>
#include <optional>
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
    // Check the decoded audio against the stream's MD5 signature.
    bool checkMD5 = true;
    // Keep what damaged input gives, telling the damage as a warning.
    bool throughErrors = false;
    // How `encode` orders an input's channels, when the user said.
    channelLayout::Request channelMap;
    // The part of each input that `decode` and `transcode` keep; the whole when not given.
    std::optional<SpanTime> skip;
    std::optional<SpanTime> until;
    // What `encode` and `transcode` write beyond the audio, and how.
    EncodeChoices encoding;
};

struct Job {
    std::string input;  // as given; "-" is standard input
    std::string output; // as given or derived; "-" is standard output; empty for `test`
    std::string target; // the file that receives the output (a symbolic link followed)
    OutputKind kind = OutputKind::unknown; // what `decode` writes
    bool direct = false; // standard output, a device or a FIFO: written straight into
    unsigned mode = 0;   // the permission the output gets
};

// Each throws CJobError naming the file at fault; the output appears only when all went well.
// They return the length of the audio done, in seconds.
double decodeFile(const JobContext& context, const Job& job, const Layout& wanted,
                  CProgress& progress);
double encodeFile(const JobContext& context, const Job& job, CProgress& progress);
double transcodeFile(const JobContext& context, const Job& job, const Layout& wanted,
                     CProgress& progress);
// Decodes with every check and writes nothing, like `flac -t`.
double testFile(const JobContext& context, const Job& job, CProgress& progress);
// The stream information and tags of a FLAC file, as printed by `info`.
std::string describeFile(const JobContext& context, const std::string& path);

struct BatchResult {
    int done = 0;
    int failed = 0;
    int skipped = 0; // not begun because the tool was interrupted
    double audioSeconds = 0.0;
};

// Runs `work` for every job on up to `threads` threads; each failure is printed as one line.
BatchResult runJobs(const std::vector<Job>& jobs, int threads,
                    const std::function<double(const Job&)>& work);

// "M:SS.mmm".
std::string formatClock(double seconds);

} // namespace orxa::host
