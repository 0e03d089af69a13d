// orxa-host: the command-line host of the orxa_flac plug-in.
#include "CPluginHost.h"
#include "CPluginLibrary.h"
#include "CProgress.h"
#include "console.h"
#include "interruption.h"
#include "jobs.h"
#include "outputPlan.h"

#include "orxa/common/IOrxaPlugin.h"
#include "tamu/IMemoryManager.h"

#include <CLI/CLI.hpp>
#include <unistd.h>

#include <chrono>
#include <clocale>
#include <cstdio>
#include <iostream>
#include <map>
#include <set>
#include <thread>

using namespace orxa::host;

namespace {

constexpr int exitFailure = 1;
constexpr int exitUsage = 2;
const std::string seeHelp = "; see 'orxa-host --help'";

struct Options {
    std::string plugin;
    bool verbose = false;
    bool quiet = false;
    PlanRequest plan;
    bool noMD5 = false;
    bool throughErrors = false;
    int jobs = 0;
    Layout wanted;
    std::string channelMap;
    std::string skip;
    std::string until;
};

void addWorkOptions(CLI::App& command, Options& options, bool writes, bool layout) {
    command.add_option("files", options.plan.inputs, "the inputs; - is standard input")->required();
    command.add_option("-j,--jobs", options.jobs, "files done at once (default: one per core)")
        ->check(CLI::Range(1, 256));
    command.add_flag("--no-md5", options.noMD5,
                     "do not check the decoded audio against the stream's MD5 signature");
    if (writes) {
        command.add_option("-o,--output", options.plan.output,
                           "the output of a single input (- is standard output for decode)");
        command.add_option("-d,--output-dir", options.plan.outputDir,
                           "write the outputs into DIR, made when missing");
        command.add_flag("-f,--force", options.plan.force, "replace existing outputs");
        command.add_flag("-F,--decode-through-errors", options.throughErrors,
                         "keep the output of a damaged input, telling the damage as a warning");
    }
    if (layout) {
        command.add_option("--rate", options.wanted.sampleRate, "sample rate wanted, in Hz")
            ->check(CLI::Range(1, 655350));
        command.add_option("--channels", options.wanted.channels, "channels wanted (1 to 8)")
            ->check(CLI::Range(1, 8));
        command
            .add_option("--bytes", options.wanted.bytesPerSample,
                        "bytes per sample wanted (1 to 4)")
            ->check(CLI::Range(1, 4));
        command
            .add_option("--skip", options.skip,
                        "start at TIME: seconds, mm:ss.sss, or samples followed by 's' "
                        "(as flac --skip)")
            ->type_name("TIME");
        command
            .add_option("--until", options.until,
                        "stop before TIME, given as for --skip; -TIME counts from the end "
                        "(as flac --until)")
            ->type_name("TIME");
    }
    command.fallthrough();
}

int threadsFor(const Options& options, size_t jobCount) {
    if (options.jobs > 0)
        return options.jobs;
    unsigned cores = std::max(1u, std::thread::hardware_concurrency());
    return static_cast<int>(std::min<size_t>(cores, jobCount));
}

void printSummary(const BatchResult& result, double wallSeconds) {
    char text[160];
    std::snprintf(text, sizeof text, "%d done, %d failed, %d skipped; %s of audio in %.2f s",
                  result.done, result.failed, result.skipped,
                  formatClock(result.audioSeconds).c_str(), wallSeconds);
    console::message(text);
}

std::string versionText(const std::string& pluginPath) {
    std::string text = "orxa-host " ORXA_HOST_VERSION "\n";
    try {
        static CPluginLibrary library(pluginPath);
        text += "libFLAC " + library.flacVersion() + "\n";
        // libsoxr's own version text already begins with its name.
        std::string soxr = library.soxrVersion();
        text += (soxr.rfind("libsoxr", 0) == 0 ? "" : "libsoxr ") + soxr + "\n";
    } catch (const std::exception& e) {
        text += "plug-in " + pluginPath + ": " + e.what() + "\n";
    }
    return text;
}

int run(const std::string& name, const Options& options) {
    static const std::map<std::string, PlanRequest::Command> commands = {
        {"decode", PlanRequest::Command::decode},
        {"encode", PlanRequest::Command::encode},
        {"transcode", PlanRequest::Command::transcode},
        {"test", PlanRequest::Command::test}};
    Plan plan;
    if (name != "info") {
        PlanRequest request = options.plan;
        request.command = commands.at(name);
        plan = planJobs(request);
        // Nothing starts while any output is refused: a batch is done whole or not at all.
        for (const Plan::Refusal& refusal : plan.refused)
            console::error(refusal.file, refusal.reason);
        if (!plan.refused.empty())
            return exitFailure;
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
    context.checkMD5 = !options.noMD5;
    context.throughErrors = options.throughErrors;
    if (!options.skip.empty())
        context.skip = SpanTime::parse(options.skip, "--skip", false);
    if (!options.until.empty())
        context.until = SpanTime::parse(options.until, "--until", true);
    if (!options.channelMap.empty()) {
        try {
            context.channelMap = channelLayout::parseRequest(options.channelMap);
        } catch (const std::invalid_argument& e) {
            throw CUsageError(e.what());
        }
    }

    auto start = std::chrono::steady_clock::now();
    BatchResult result;
    if (name == "info") {
        bool first = true;
        for (const std::string& file : options.plan.inputs) {
            Job job;
            job.input = file;
            std::vector<Job> one{job};
            BatchResult each = runJobs(one, 1, [&](const Job& job) {
                std::string text = describeFile(context, job.input);
                std::fputs(first ? text.c_str() : ("\n" + text).c_str(), stdout);
                std::fflush(stdout);
                first = false;
                return 0.0;
            });
            result.failed += each.failed;
        }
    } else {
        CProgress progress(!options.quiet && isatty(STDERR_FILENO),
                           static_cast<int>(plan.jobs.size()));
        auto work = [&](const Job& job) {
            if (name == "decode")
                return decodeFile(context, job, options.wanted, progress);
            if (name == "encode")
                return encodeFile(context, job, progress);
            if (name == "test")
                return testFile(context, job, progress);
            return transcodeFile(context, job, options.wanted, progress);
        };
        result = runJobs(plan.jobs, threadsFor(options, plan.jobs.size()), work);
        std::chrono::duration<double> wall = std::chrono::steady_clock::now() - start;
        if (plan.jobs.size() > 1 && !options.quiet)
            printSummary(result, wall.count());
    }
    if (interruption::requested())
        return interruption::exitStatus();
    return result.failed > 0 ? exitFailure : 0;
}

} // namespace

int main(int argc, char** argv) {
    // File names and tags are shown in the user's character set; numbers stay in the C locale.
    std::setlocale(LC_CTYPE, "");
    interruption::install();

    Options options;
    CLI::App app("Decodes, encodes, transcodes and tests FLAC files through the orxa_flac "
                 "plug-in.",
                 "orxa-host");
    app.require_subcommand(1);
    app.add_option("--plugin", options.plugin,
                   "the plug-in to load (default: liborxa_flac.so beside the tool)");
    bool version = false;
    app.add_flag("--version", version, "print the versions of the tool, libFLAC and libsoxr");
    CLI::Option* verbose =
        app.add_flag("-v,--verbose", options.verbose, "print the plug-in's log lines");
    app.add_flag("-q,--quiet", options.quiet, "print nothing but errors")->excludes(verbose);

    CLI::App* info = app.add_subcommand("info", "print the stream information and tags of files");
    info->add_option("files", options.plan.inputs, "FLAC files")->required();
    info->fallthrough();

    CLI::App* decode = app.add_subcommand("decode", "decode FLAC to WAV, AIFF or raw PCM");
    addWorkOptions(*decode, options, true, true);
    decode
        ->add_option("-t,--type", options.plan.type,
                     "output type (default: by -o's ending, else wav)")
        ->check(CLI::IsMember({"wav", "aiff", "raw"}));

    CLI::App* encode = app.add_subcommand("encode", "encode WAV, AIFF, ... (integer PCM) to FLAC");
    addWorkOptions(*encode, options, true, false);
    encode->add_option("--channel-map", options.channelMap,
                       "the input channels in FLAC's order, numbered from 1 (1,2,5,6,3,4), or "
                       "'none' to take them as they are; needed when a WAVE channel mask "
                       "differs from FLAC's order");

    CLI::App* transcode =
        app.add_subcommand("transcode", "decode FLAC, convert when asked, encode FLAC");
    addWorkOptions(*transcode, options, true, true);

    CLI::App* test = app.add_subcommand("test", "decode FLAC with every check and write nothing");
    addWorkOptions(*test, options, false, false);

    if (argc <= 1) {
        std::cerr << app.help();
        return exitUsage;
    }
    // The tool's own options come before the command; anything else there is named as the
    // mistake it is, rather than as a missing command.
    for (int i = 1; i < argc; ++i) {
        std::string argument = argv[i];
        if (argument == "--plugin") {
            ++i;
            continue;
        }
        if (argument.rfind("--plugin=", 0) == 0 || argument == "--version" ||
            argument == "--help" || argument == "-h" || argument == "-v" ||
            argument == "--verbose" || argument == "-q" || argument == "--quiet")
            continue;
        if (argument.size() > 1 && argument[0] == '-') {
            std::cerr << "orxa-host: unknown option '" << argument << "'" << seeHelp << "\n";
            return exitUsage;
        }
        static const std::set<std::string> commands = {"info", "decode", "encode", "transcode",
                                                       "test"};
        if (!commands.count(argument)) {
            std::cerr << "orxa-host: unknown command '" << argument << "'" << seeHelp << "\n";
            return exitUsage;
        }
        break;
    }
    for (int i = 1; i < argc; ++i) {
        if (std::string(argv[i]) == "--version") {
            std::string plugin = options.plugin;
            for (int j = 1; j + 1 < argc; ++j)
                if (std::string(argv[j]) == "--plugin")
                    plugin = argv[j + 1];
            std::fputs(versionText(plugin.empty() ? CPluginLibrary::defaultPath() : plugin).c_str(),
                       stdout);
            return 0;
        }
    }
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        if (e.get_exit_code() == 0)
            return app.exit(e);
        std::cerr << "orxa-host: " << e.what() << seeHelp << "\n";
        return exitUsage;
    }
    try {
        return run(app.get_subcommands().front()->get_name(), options);
    } catch (const CUsageError& e) {
        std::cerr << "orxa-host: " << e.what() << seeHelp << "\n";
        return exitUsage;
    }
}
