// orxa-host: the command-line host of the orxa_flac plug-in.
#include "CPluginHost.h"
#include "CPluginLibrary.h"
#include "CProgress.h"
#include "console.h"
#include "interruption.h"
#include "jobs.h"
#include "pcmSinks.h"

#include "orxa/common/IOrxaPlugin.h"
#include "tamu/IMemoryManager.h"

#include <CLI/CLI.hpp>
#include <unistd.h>

#include <clocale>
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <set>
#include <thread>

using namespace orxa::host;

namespace {

constexpr int exitFailure = 1;
constexpr int exitUsage = 2;
constexpr int exitInterrupted = 130;

struct Options {
    std::string plugin;
    bool verbose = false;
    bool quiet = false;
    std::vector<std::string> files;
    std::string outputDir;
    std::string type = "wav";
    int jobs = 0;
    Layout wanted;
};

class CUsageError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Without -o the files are IN OUT pairs; with -o DIR each input gets an output in DIR named after
// it with `extension`.
std::vector<Job> makeJobs(const Options& options, const std::string& extension) {
    std::vector<Job> jobs;
    if (options.outputDir.empty()) {
        if (options.files.size() % 2 != 0)
            throw CUsageError("give IN OUT pairs, or -o DIR followed by the inputs");
        for (size_t i = 0; i < options.files.size(); i += 2)
            jobs.push_back({options.files[i], options.files[i + 1]});
    } else {
        std::set<std::string> outputs;
        for (const std::string& input : options.files) {
            std::filesystem::path name = std::filesystem::path(input).filename();
            std::string output =
                (std::filesystem::path(options.outputDir) / name.replace_extension(extension))
                    .string();
            if (!outputs.insert(output).second)
                throw CUsageError("two inputs would both write " + output);
            jobs.push_back({input, output});
        }
    }
    return jobs;
}

void checkDecodeOutputs(const std::vector<Job>& jobs) {
    for (const Job& job : jobs) {
        OutputKind kind = outputKindOf(job.output);
        if (kind == OutputKind::unknown)
            throw CUsageError(job.output + ": unknown output type (use .wav, .aiff, .raw or -)");
        if (kind == OutputKind::standardOutput && jobs.size() > 1)
            throw CUsageError("standard output takes one input only");
    }
}

void addWorkOptions(CLI::App& command, Options& options, bool layout) {
    command.add_option("files", options.files, "IN OUT pairs, or the inputs with -o")->required();
    command.add_option("-o,--output-dir", options.outputDir, "write the outputs into DIR")
        ->check(CLI::ExistingDirectory);
    command.add_option("-j,--jobs", options.jobs, "files done at once (default: one per core)")
        ->check(CLI::Range(1, 256));
    if (layout) {
        command.add_option("--rate", options.wanted.sampleRate, "sample rate wanted, in Hz")
            ->check(CLI::Range(1, 655350));
        command.add_option("--channels", options.wanted.channels, "channels wanted (1 or 2)")
            ->check(CLI::Range(1, 2));
        command
            .add_option("--bytes", options.wanted.bytesPerSample,
                        "bytes per sample wanted (1 to 4)")
            ->check(CLI::Range(1, 4));
    }
    command.fallthrough();
}

int threadsFor(const Options& options, size_t jobCount) {
    if (options.jobs > 0)
        return options.jobs;
    unsigned cores = std::max(1u, std::thread::hardware_concurrency());
    return static_cast<int>(std::min<size_t>(cores, jobCount));
}

int run(CLI::App& app, const Options& options) {
    CLI::App* command = app.get_subcommands().front();
    const std::string name = command->get_name();

    std::vector<Job> jobs;
    if (name == "decode") {
        jobs = makeJobs(options, "." + options.type);
        checkDecodeOutputs(jobs);
    } else if (name != "info") {
        jobs = makeJobs(options, ".flac");
    }

    std::string pluginPath =
        options.plugin.empty() ? CPluginLibrary::defaultPath() : options.plugin;
    JobContext context;
    tamu::P<CPluginHost> host = tamu::make<CPluginHost>(options.verbose);
    try {
        static CPluginLibrary library(pluginPath);
        context.plugin = library.create(host.get());
    } catch (const std::exception& e) {
        console::error(pluginPath, e.what());
        return exitFailure;
    }
    context.memory = host->getMemoryManager();
    context.quiet = options.quiet;

    int failures = 0;
    if (name == "info") {
        bool first = true;
        for (const std::string& file : options.files) {
            std::vector<Job> one{{file, ""}};
            failures += runJobs(one, 1, [&](const Job& job) {
                std::string text = describeFile(context, job.input);
                std::fputs(first ? text.c_str() : ("\n" + text).c_str(), stdout);
                std::fflush(stdout);
                first = false;
            });
        }
    } else {
        CProgress progress(!options.quiet && isatty(STDERR_FILENO), static_cast<int>(jobs.size()));
        auto work = [&](const Job& job) {
            if (name == "decode")
                decodeFile(context, job, options.wanted, progress);
            else if (name == "encode")
                encodeFile(context, job, progress);
            else
                transcodeFile(context, job, options.wanted, progress);
        };
        failures = runJobs(jobs, threadsFor(options, jobs.size()), work);
    }
    if (interruption::requested())
        return exitInterrupted;
    return failures > 0 ? exitFailure : 0;
}

} // namespace

int main(int argc, char** argv) {
    // File names and tags are shown in the user's character set; numbers stay in the C locale.
    std::setlocale(LC_CTYPE, "");
    interruption::install();

    Options options;
    CLI::App app("Decodes, encodes and transcodes FLAC files through the orxa_flac plug-in.",
                 "orxa-host");
    app.require_subcommand(1);
    app.add_option("--plugin", options.plugin,
                   "the plug-in to load (default: liborxa_flac.so beside the tool)");
    CLI::Option* verbose =
        app.add_flag("-v,--verbose", options.verbose, "print the plug-in's log lines");
    app.add_flag("-q,--quiet", options.quiet, "print nothing but errors")->excludes(verbose);

    CLI::App* info = app.add_subcommand("info", "print the stream information and tags of files");
    info->add_option("files", options.files, "FLAC files")->required();
    info->fallthrough();

    CLI::App* decode = app.add_subcommand("decode", "decode FLAC to WAV, AIFF or raw PCM");
    addWorkOptions(*decode, options, true);
    decode->add_option("-t,--type", options.type, "output type with -o")
        ->check(CLI::IsMember({"wav", "aiff", "raw"}));

    CLI::App* encode = app.add_subcommand("encode", "encode WAV, AIFF, ... (integer PCM) to FLAC");
    addWorkOptions(*encode, options, false);

    CLI::App* transcode =
        app.add_subcommand("transcode", "decode FLAC, convert when asked, encode FLAC");
    addWorkOptions(*transcode, options, true);

    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        if (e.get_exit_code() == 0)
            return app.exit(e);
        std::vector<CLI::App*> commands = app.get_subcommands();
        std::cerr << "orxa-host: " << e.what() << "\n\n"
                  << (commands.empty() ? app.help() : commands.front()->help());
        return exitUsage;
    }
    try {
        return run(app, options);
    } catch (const CUsageError& e) {
        std::cerr << "orxa-host: " << e.what() << "\n\n" << app.get_subcommands().front()->help();
        return exitUsage;
    }
}
