#include "outputPlan.h"

#include "CInputFile.h"
#include "CTempOutput.h"
#include "pcmSinks.h"

#include <sys/stat.h>

#include <filesystem>
#include <map>
#include <optional>
#include <utility>

namespace orxa::host {

namespace {

namespace fs = std::filesystem;
using Command = PlanRequest::Command;

std::optional<std::pair<dev_t, ino_t>> identityOf(const std::string& path) {
    struct stat status {};
    if (::stat(path.c_str(), &status) != 0)
        return std::nullopt;
    return std::make_pair(status.st_dev, status.st_ino);
}

// As flac: -t, else the name's ending, else WAV.
OutputKind kindOf(const PlanRequest& request, const std::string& output) {
    std::string type = request.type.empty() ? output : "x." + request.type;
    OutputKind kind = outputKindOf(type);
    return kind == OutputKind::unknown ? OutputKind::wav : kind;
}

std::string extensionFor(const PlanRequest& request) {
    if (request.command != Command::decode)
        return ".flac";
    return "." + (request.type.empty() ? std::string("wav") : request.type);
}

// The name flac gives an output: the input's with its extension replaced.
std::string derivedName(const PlanRequest& request, const std::string& input) {
    fs::path name(input);
    if (!request.outputDir.empty())
        name = fs::path(request.outputDir) / name.filename();
    return name.replace_extension(extensionFor(request)).string();
}

// Where the output's bytes go and how, or the reason it is refused.
std::string resolveOutput(const PlanRequest& request, Job& job) {
    struct stat link {};
    if (::lstat(job.output.c_str(), &link) != 0) {
        job.target = job.output;
        job.mode = CTempOutput::newFileMode();
        return "";
    }
    struct stat status = link;
    if (S_ISLNK(link.st_mode)) {
        // A link stays a link: the file it points to receives the output, even a new one.
        fs::path at = job.output;
        std::error_code error;
        for (int hops = 0; fs::is_symlink(fs::symlink_status(at, error)); ++hops) {
            fs::path next = fs::read_symlink(at, error);
            if (error || hops == 40)
                return "cannot follow the link: " + (error ? error.message() : "too many links");
            at = next.is_absolute() ? next : at.parent_path() / next;
        }
        job.target = at.string();
        if (::stat(job.target.c_str(), &status) != 0) {
            job.mode = CTempOutput::newFileMode();
            return "";
        }
    } else {
        job.target = job.output;
    }
    if (S_ISCHR(status.st_mode) || S_ISFIFO(status.st_mode)) {
        job.direct = true;
        return "";
    }
    if (S_ISDIR(status.st_mode))
        return "is a directory";
    if (!request.force)
        return "exists; use -f to replace it";
    job.mode = status.st_mode & 07777;
    return "";
}

} // namespace

Plan planJobs(const PlanRequest& request) {
    const bool decoding = request.command == Command::decode;
    if (!request.output.empty() && request.inputs.size() > 1)
        throw CUsageError("-o names the output of one input; use -d DIR for several");
    if (!request.output.empty() && !request.outputDir.empty())
        throw CUsageError("give -o or -d, not both");
    if (request.output == "-" && !decoding)
        throw CUsageError("a FLAC file cannot go to standard output (its header is rewritten at "
                          "its end); name a file with -o");

    Plan plan;
    if (request.command == Command::test) {
        for (const std::string& input : request.inputs)
            plan.jobs.push_back(Job{input, "", "", OutputKind::unknown, false, 0});
        return plan;
    }
    if (!request.outputDir.empty()) {
        std::error_code error;
        fs::create_directories(request.outputDir, error);
        if (error)
            throw CUsageError(request.outputDir + ": " + error.message());
    }

    std::map<std::pair<dev_t, ino_t>, std::string> inputs;
    for (const std::string& input : request.inputs)
        if (!CInputFile::isStandardInput(input))
            if (auto identity = identityOf(input))
                inputs.emplace(*identity, input);

    std::map<std::string, std::string> outputs;
    for (const std::string& input : request.inputs) {
        Job job{input, request.output, "", OutputKind::unknown, false, 0};
        auto refuse = [&](const std::string& file, const std::string& reason) {
            plan.refused.push_back({file, reason});
        };
        if (job.output.empty()) {
            if (CInputFile::isStandardInput(input)) {
                if (!decoding) {
                    refuse(input, "standard input needs the output's name with -o");
                    continue;
                }
                job.output = "-";
            } else {
                job.output = derivedName(request, input);
            }
        }
        if (decoding)
            job.kind = kindOf(request, job.output);
        if (job.output == "-") {
            job.direct = true;
            plan.jobs.push_back(job);
            continue;
        }
        if (job.output == input) {
            refuse(input, "the output would replace the input; name another with -o");
            continue;
        }
        std::string reason = resolveOutput(request, job);
        auto identity = identityOf(job.target);
        if (reason.empty() && identity && !job.direct && inputs.count(*identity))
            reason = "is the input " + inputs[*identity] + "; it is never replaced";
        if (!reason.empty()) {
            refuse(job.output, reason);
            continue;
        }
        if (!job.direct) {
            std::error_code error;
            std::string key = fs::weakly_canonical(fs::absolute(job.target), error).string();
            auto [at, fresh] = outputs.emplace(key, input);
            if (!fresh) {
                refuse(job.output, "both " + at->second + " and " + input + " would write it");
                continue;
            }
        }
        plan.jobs.push_back(job);
    }
    return plan;
}

} // namespace orxa::host
