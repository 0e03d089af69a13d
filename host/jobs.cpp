#include "jobs.h"

#include "CDecodingSource.h"
#include "CEncodingTarget.h"
#include "CHostLog.h"
#include "CJobError.h"
#include "CProgress.h"
#include "CSoundFileReader.h"
#include "CTempOutput.h"
#include "console.h"
#include "fileLocation.h"
#include "interruption.h"
#include "pcmPacking.h"
#include "pcmSinks.h"

#include "orxa/audio/CAudioChunk.h"
#include "orxa/audio/IAudioChunk.h"
#include "orxa/common/IOrxaPlugin.h"
#include "tamu/IMemoryBlock.h"
#include "tamu/IMemoryManager.h"
#include "tamu/IString.h"

#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <memory>
#include <thread>
#include <vector>

namespace orxa::host {

namespace {

// The format's own block size: each chunk becomes one FLAC frame.
constexpr int64_t framesPerChunk = 4608;

using Clock = std::chrono::steady_clock;

double secondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

void report(const JobContext& context, const Job& job, double audioSeconds,
            Clock::time_point start) {
    if (context.quiet)
        return;
    double elapsed = secondsSince(start);
    char text[160];
    std::snprintf(text, sizeof text, ": %.2f s of audio in %.2f s (%.0fx realtime)", audioSeconds,
                  elapsed, elapsed > 0.0 ? audioSeconds / elapsed : 0.0);
    console::message(job.input + " -> " + job.output + text);
}

double durationOf(const StreamInfo& info) {
    if (info.duration > 0.0)
        return info.duration;
    return info.sampleRate > 0 ? static_cast<double>(info.totalSamples) / info.sampleRate : 0.0;
}

std::string formatDuration(double seconds) {
    char text[64];
    int64_t millis = static_cast<int64_t>(seconds * 1000.0 + 0.5);
    std::snprintf(text, sizeof text, "%.3f s (%lld:%02lld.%03lld)", seconds,
                  static_cast<long long>(millis / 60000),
                  static_cast<long long>(millis / 1000 % 60),
                  static_cast<long long>(millis % 1000));
    return text;
}

} // namespace

void decodeFile(const JobContext& context, const Job& job, const Layout& wanted,
                CProgress& progress) {
    Clock::time_point start = Clock::now();
    CDecodingSource source(*context.plugin, job.input, wanted);
    const Layout& layout = source.layout();
    OutputKind kind = outputKindOf(job.output);

    std::unique_ptr<CTempOutput> temp;
    int fd = STDOUT_FILENO;
    if (kind != OutputKind::standardOutput) {
        temp =
            CJobError::about(job.output, [&] { return std::make_unique<CTempOutput>(job.output); });
        fd = temp->fd();
    }
    std::unique_ptr<CPcmSink> sink = CJobError::about(job.output, [&] {
        return makePcmSink(kind, fd, layout.sampleRate, layout.channels, layout.bytesPerSample);
    });

    double jobSeconds = durationOf(source.info());
    double done = 0.0;
    while (tamu::P<orxa::audio::IAudioChunk> chunk = source.next()) {
        int32_t size = chunk->getSize();
        CJobError::about(job.output, [&] {
            sink->write(chunk->getData(), static_cast<size_t>(size));
            interruption::check();
        });
        double seconds = static_cast<double>(size / layout.frameBytes()) / layout.sampleRate;
        done += seconds;
        progress.add(seconds, jobSeconds);
    }
    source.close();
    CJobError::about(job.output, [&] {
        sink->finish();
        sink.reset();
        if (temp)
            temp->commit();
    });
    report(context, job, done, start);
}

void encodeFile(const JobContext& context, const Job& job, CProgress& progress) {
    Clock::time_point start = Clock::now();
    checkReadableFile(job.input);
    auto reader =
        CJobError::about(job.input, [&] { return std::make_unique<CSoundFileReader>(job.input); });
    Layout layout{reader->getSampleRate(), reader->getChannels(), reader->getBytesPerSample()};
    CEncodingTarget target(*context.plugin, job.output, layout);

    double jobSeconds = static_cast<double>(reader->getFrames()) / layout.sampleRate;
    std::vector<int32_t> samples(static_cast<size_t>(framesPerChunk * layout.channels));
    int64_t framesDone = 0;
    for (;;) {
        int64_t frames = CJobError::about(
            job.input, [&] { return reader->read(samples.data(), framesPerChunk); });
        if (frames == 0)
            break;
        int32_t bytes = static_cast<int32_t>(frames) * layout.frameBytes();
        tamu::P<tamu::IMemoryBlock> block =
            CJobError::about(job.output, [&] { return context.memory->allocate(bytes); });
        block->setSize(bytes);
        pcm::fromInt32(samples.data(), static_cast<size_t>(frames * layout.channels),
                       layout.bytesPerSample, block->getData());
        double time = static_cast<double>(framesDone) / layout.sampleRate;
        target.write(tamu::make<orxa::audio::CAudioChunk>(time, block.get()));
        CJobError::about(job.output, [] { interruption::check(); });
        framesDone += frames;
        progress.add(static_cast<double>(frames) / layout.sampleRate, jobSeconds);
    }
    target.commit();
    report(context, job, static_cast<double>(framesDone) / layout.sampleRate, start);
}

void transcodeFile(const JobContext& context, const Job& job, const Layout& wanted,
                   CProgress& progress) {
    Clock::time_point start = Clock::now();
    CDecodingSource source(*context.plugin, job.input, wanted);
    const Layout& layout = source.layout();
    CEncodingTarget target(*context.plugin, job.output, layout);

    double jobSeconds = durationOf(source.info());
    double done = 0.0;
    while (tamu::P<orxa::audio::IAudioChunk> chunk = source.next()) {
        double seconds =
            static_cast<double>(chunk->getSize() / layout.frameBytes()) / layout.sampleRate;
        target.write(chunk);
        CJobError::about(job.output, [] { interruption::check(); });
        done += seconds;
        progress.add(seconds, jobSeconds);
    }
    source.close();
    target.commit();
    report(context, job, done, start);
}

std::string describeFile(const JobContext& context, const std::string& path) {
    CDecodingSource source(*context.plugin, path, Layout{});
    const StreamInfo& info = source.info();
    std::string text = path + "\n";
    auto line = [&](const char* name, const std::string& value) {
        char label[32];
        std::snprintf(label, sizeof label, "  %-15s", name);
        text += label + value + "\n";
    };
    line("sample rate", std::to_string(info.sampleRate) + " Hz");
    line("channels", std::to_string(info.channels));
    line("bits", std::to_string(info.bitsPerSample));
    line("total samples", std::to_string(info.totalSamples));
    line("duration", formatDuration(durationOf(info)));
    line("tags", std::to_string(info.tags.size()));
    for (const std::string& tag : info.tags)
        text += "    " + tag + "\n";
    source.close();
    return text;
}

int runJobs(const std::vector<Job>& jobs, int threads,
            const std::function<void(const Job&)>& work) {
    std::atomic<size_t> nextJob{0};
    std::atomic<int> failures{0};
    auto worker = [&] {
        // After an interruption no job begins; the ones under way end with it.
        for (size_t i = nextJob++; i < jobs.size() && !interruption::requested(); i = nextJob++) {
            try {
                work(jobs[i]);
            } catch (const CJobError& e) {
                console::error(e.file(), e.what());
                ++failures;
            } catch (const std::exception& e) {
                console::error(jobs[i].input, e.what());
                ++failures;
            } catch (...) {
                console::error(jobs[i].input, "failed for an unknown reason");
                ++failures;
            }
        }
    };
    size_t count = std::min(jobs.size(), static_cast<size_t>(std::max(threads, 1)));
    std::vector<std::thread> pool;
    for (size_t i = 1; i < count; ++i)
        pool.emplace_back(worker);
    worker();
    for (std::thread& thread : pool)
        thread.join();
    return failures;
}

} // namespace orxa::host
