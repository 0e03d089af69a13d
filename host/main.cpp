// orxa-host: the command-line host of the orxa_flac plug-in.
#include "CPluginHost.h"
#include "CPluginLibrary.h"
#include "CProgress.h"
#include "console.h"
#include "encodeChoices.h"
#include "infoJson.h"
#include "interruption.h"
#include "jobs.h"
#include "outputPlan.h"
#include "systemReason.h"

#include "orxa/common/IOrxaPlugin.h"
#include "tamu/IMemoryManager.h"

#include <CLI/CLI.hpp>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <clocale>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <iterator>
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
    bool json = false;
    std::string skip;
    std::string until;
    EncodeChoices encoding;
    std::vector<std::string> tagFiles; // "NAME=FILE"
    std::vector<std::string> pictureFiles;
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

// "NAME=..." with a Vorbis comment field name; the empty text when it is one.
std::string checkNamed(const std::string& text, const char* what) {
    size_t equals = text.find('=');
    if (equals == std::string::npos)
        return "'" + text + "' is not " + what;
    if (!isTagName(text.substr(0, equals)))
        return "'" + text.substr(0, equals) + "' is not a tag name (printable ASCII without '=')";
    return "";
}

// What `encode` and `transcode` write beyond the audio; flac's options and defaults.
void addEncodingOptions(CLI::App& command, Options& options) {
    EncodeChoices& encoding = options.encoding;
    for (int level = 0; level <= 8; ++level) {
        std::string name = "-" + std::to_string(level);
        // One line of help stands for all nine.
        command
            .add_flag_callback(
                name, [&encoding, level] { encoding.level = level; },
                level == 0 ? "compression level -0 (fastest) to -8 (smallest); default: the "
                             "plug-in's own settings, near -5"
                           : "")
            ->group(level == 0 ? "Options" : "");
    }
    command.add_flag("-V,--verify", encoding.verify,
                     "decode each frame again as it is written and fail on any difference");
    command
        .add_option("--tag", encoding.addTags,
                    "add the tag NAME=VALUE (repeatable; after the input's own)")
        ->allow_extra_args(false)
        ->take_all()
        ->check(CLI::Validator([](std::string& text) { return checkNamed(text, "NAME=VALUE"); },
                               "NAME=VALUE"));
    command
        .add_option("--tag-from-file", options.tagFiles,
                    "add the tag NAME whose value is the whole content of FILE (repeatable)")
        ->allow_extra_args(false)
        ->take_all()
        ->check(CLI::Validator([](std::string& text) { return checkNamed(text, "NAME=FILE"); },
                               "NAME=FILE"));
    command
        .add_option("--remove-tag", encoding.removeTags,
                    "drop the input's tags of NAME, in any case (repeatable)")
        ->allow_extra_args(false)
        ->take_all()
        ->check(CLI::Validator(
            [](std::string& name) {
                return isTagName(name) ? std::string()
                                       : "'" + name +
                                             "' is not a tag name (printable ASCII "
                                             "without '=')";
            },
            "NAME"));
    command.add_flag("--no-tags", encoding.noTags,
                     "drop every tag of the input (its pictures stay; --tag still adds)");
    command.add_flag("--no-pictures", encoding.noPictures, "drop every picture of the input");
    command
        .add_option("--picture", options.pictureFiles,
                    "add FILE (PNG, JPEG or GIF) as the front cover (repeatable)")
        ->allow_extra_args(false)
        ->take_all();
    command
        .add_option("--padding", encoding.padding,
                    "bytes of padding for editing tags later (default 8192; 0 for none)")
        ->check(CLI::Range(0, (1 << 24) - 1));
    command
        .add_option("--seekpoint-every", encoding.seekSeconds,
                    "a seek point every SECONDS (default 10; 0 for none)")
        ->check(CLI::NonNegativeNumber);
}

// The values of --tag-from-file and the images of --picture, read once for the whole batch.
bool readEncodingFiles(Options& options, tamu::IMemoryManager& memory) {
    for (const std::string& named : options.tagFiles) {
        size_t equals = named.find('=');
        std::string file = named.substr(equals + 1);
        std::ifstream in(file, std::ios::binary);
        if (!in) {
            console::error(file, systemReason(errno));
            return false;
        }
        std::string value((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        options.encoding.addTags.push_back(named.substr(0, equals) + "=" + value);
    }
    for (const std::string& file : options.pictureFiles) {
        try {
            options.encoding.addPictures.push_back(loadPicture(memory, file));
        } catch (const std::exception& e) {
            console::error(file, e.what());
            return false;
        }
    }
    return true;
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

int run(const std::string& name, Options& options) {
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
    if (!readEncodingFiles(options, *context.memory))
        return exitFailure;
    context.encoding = options.encoding;
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
                std::string text = options.json ? describeFileAsJson(context, job.input)
                                                : describeFile(context, job.input);
                // JSON documents go one per line; text blocks are parted by a blank line.
                std::fputs(first || options.json ? text.c_str() : ("\n" + text).c_str(), stdout);
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
    info->add_flag("--json", options.json,
                   "print each file as one JSON document (unknown values are null)");
    info->fallthrough();

    CLI::App* decode = app.add_subcommand("decode", "decode FLAC to WAV, AIFF or raw PCM");
    addWorkOptions(*decode, options, true, true);
    decode
        ->add_option("-t,--type", options.plan.type,
                     "output type (default: by -o's ending, else wav)")
        ->check(CLI::IsMember({"wav", "aiff", "raw"}));

    CLI::App* encode = app.add_subcommand("encode", "encode WAV, AIFF, ... (integer PCM) to FLAC");
    addWorkOptions(*encode, options, true, false);
    addEncodingOptions(*encode, options);
    encode->add_option("--channel-map", options.channelMap,
                       "the input channels in FLAC's order, numbered from 1 (1,2,5,6,3,4), or "
                       "'none' to take them as they are; needed when a WAVE channel mask "
                       "differs from FLAC's order");

    CLI::App* transcode =
        app.add_subcommand("transcode", "decode FLAC, convert when asked, encode FLAC");
    addWorkOptions(*transcode, options, true, true);
    addEncodingOptions(*transcode, options);

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
