// Arbitrary bytes as a WAV (or AIFF, or whatever libsndfile takes them for) through orxa-host's
// own encoding job: read by libsndfile, channels ordered, packed into chunks, written by the
// plug-in's FLAC format into a temporary output that appears only when all went well. A file
// that encodes must pass the tool's own test with its whole length; a file that does not must
// fail with a job error and leave no output. Anything else, a crash or a sanitizer
// report is a finding.
#include "CJobError.h"
#include "CProgress.h"
#include "jobs.h"

#include "host/CPluginHost.h"
#include "orxa/flac/CPlugin.h"
#include "tamu/IMemoryManager.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <string>

using tamu::P;

namespace {

void check(bool condition) {
    if (!condition)
        std::abort();
}

bool exists(const std::string& path) {
    struct stat info;
    return ::stat(path.c_str(), &info) == 0;
}

struct World {
    std::string dir;
    P<orxa::host::CPluginHost> host;
    orxa::host::JobContext context;

    World() {
        char pattern[] = "/tmp/orxa-fuzz-XXXXXX";
        check(::mkdtemp(pattern) != nullptr);
        dir = pattern;
        // Gone when the run ends well; after a finding it stays for a look.
        static const std::string scratch = dir;
        std::atexit([] {
            std::error_code ignored;
            std::filesystem::remove_all(scratch, ignored);
        });
        // Quiet: the plug-in's log lines would only slow the run down.
        host = tamu::make<orxa::host::CPluginHost>(false);
        context.plugin = tamu::make<orxa::flac::CPlugin>(host.get());
        context.memory = host->getMemoryManager();
        context.quiet = true;
    }
};

World& world() {
    static World* made = new World();
    return *made;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    World& w = world();
    const std::string input = w.dir + "/in.wav";
    const std::string output = w.dir + "/out.flac";
    FILE* file = std::fopen(input.c_str(), "wb");
    check(file != nullptr);
    check(std::fwrite(data, 1, size, file) == size);
    std::fclose(file);

    orxa::host::Job job;
    job.input = input;
    job.output = output;
    job.target = output;
    job.mode = 0600;
    orxa::host::CProgress progress(false, 1);
    double seconds = -1.0;
    try {
        seconds = orxa::host::encodeFile(w.context, job, progress);
    } catch (const orxa::host::CJobError&) {
    }
    if (seconds < 0.0) {
        check(!exists(output));
    } else {
        // The tool's own test job: every check (MD5 included) passes, and the file lasts as long
        // as the audio that went in.
        check(exists(output));
        orxa::host::Job test;
        test.input = output;
        double tested = -1.0;
        try {
            tested = orxa::host::testFile(w.context, test, progress);
        } catch (const orxa::host::CJobError& e) {
            std::fprintf(stderr, "the encoded file fails its test: %s\n", e.what());
        }
        check(tested >= 0.0 && std::abs(tested - seconds) < 1e-6);
        std::remove(output.c_str());
    }
    std::remove(input.c_str());
    return 0;
}
