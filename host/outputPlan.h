#pragma once

#include "jobs.h"

#include <stdexcept>
#include <string>
#include <vector>

namespace orxa::host {

// Misuse of the command line: told in one line, exit status 2.
class CUsageError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

struct PlanRequest {
    enum class Command { decode, encode, transcode, test } command = Command::decode;
    std::vector<std::string> inputs;
    std::string output;    // -o: the output of a single input
    std::string outputDir; // -d: where the derived names go
    std::string type;      // -t for decode; empty: by -o's ending, else WAV
    bool force = false;
};

struct Plan {
    std::vector<Job> jobs;
    // Each output refused, with the reason; when any is, no job may start.
    struct Refusal {
        std::string file, reason;
    };
    std::vector<Refusal> refused;
};

// The outputs of a batch as flac names them, each checked before any work starts: an existing
// output needs force, an output that is one of the inputs is never allowed, and no two inputs
// may write one output. Throws CUsageError for what the command line cannot mean.
Plan planJobs(const PlanRequest& request);

} // namespace orxa::host
