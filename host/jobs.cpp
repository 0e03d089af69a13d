#include "jobs.h"

#include "CDecodingSource.h"
#include "CEncodingTarget.h"
#include "CHostLog.h"
#include "CInputFile.h"
#include "CJobError.h"
#include "CProgress.h"
#include "CReadAhead.h"
#include "CSoundFileReader.h"
#include "CTempOutput.h"
#include "console.h"
#include "fileLocation.h"
#include "interruption.h"
#include "pcmPacking.h"
#include "pcmSinks.h"
#include "systemReason.h"

#include "orxa/audio/CAudioChunk.h"
#include "orxa/audio/IAudioChunk.h"
#include "orxa/common/IOrxaPlugin.h"
#include "tamu/IMemoryBlock.h"
#include "tamu/IMemoryManager.h"
#include "tamu/IString.h"
#include "tamu/stringConv.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace orxa::host {

namespace {

// The format's own block size: each chunk becomes one FLAC frame.
constexpr int64_t framesPerChunk = 4608;
// Chunks a transcode's decoding may run ahead of its encoding: enough to keep both threads busy
// through the encoder's uneven frames, a few frames' blocks in memory.
constexpr size_t readAheadChunks = 8;

using Clock = std::chrono::steady_clock;

double secondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

std::string formatSize(int64_t bytes) {
    char text[32];
    if (bytes < 1024)
        std::snprintf(text, sizeof text, "%lld bytes", static_cast<long long>(bytes));
    else if (bytes < 1024 * 1024)
        std::snprintf(text, sizeof text, "%.1f KiB", bytes / 1024.0);
    else
        std::snprintf(text, sizeof text, "%.1f MiB", bytes / (1024.0 * 1024.0));
    return text;
}

// One line per finished file: what became what, how long, how big, how fast. `inputSize` is
// given where the size ratio means something (an encoded output against its input).
void report(const JobContext& context, const Job& job, double audioSeconds, int64_t outputSize,
            int64_t inputSize, Clock::time_point start) {
    if (context.quiet)
        return;
    double elapsed = secondsSince(start);
    std::string line = job.input + " -> " + job.output + ": ";
    char text[96];
    std::snprintf(text, sizeof text, "%.2f s of audio", audioSeconds);
    line += text;
    if (outputSize >= 0) {
        line += ", " + formatSize(outputSize);
        if (inputSize > 0) {
            std::snprintf(text, sizeof text, " (%.1f%% of the input)",
                          100.0 * static_cast<double>(outputSize) / inputSize);
            line += text;
        }
    }
    std::snprintf(text, sizeof text, ", %.0fx realtime",
                  elapsed > 0.0 ? audioSeconds / elapsed : 0.0);
    console::message(line + text);
}

// Damage fails the job, or with -F is told and the job goes on to keep its output.
void judge(const JobContext& context, const std::string& file, const std::string& damage) {
    if (damage.empty())
        return;
    if (!context.throughErrors)
        throw CJobError(file, damage);
    console::error(file, "warning: " + damage);
}

// The span the job asks for, placed in the source's stream, the source moved to it.
Span applySpan(const JobContext& context, const Job& job, CDecodingSource& source) {
    if (!context.skip && !context.until)
        return {};
    const StreamInfo& info = source.info();
    Span span = CJobError::about(job.input, [&] {
        return Span::resolve(context.skip, context.until, info.sampleRate, info.totalSamples);
    });
    source.restrictTo(span);
    return span;
}

double durationOf(const StreamInfo& info) {
    if (info.duration > 0.0 && info.duration < 1e12)
        return info.duration;
    return info.sampleRate > 0 ? static_cast<double>(info.totalSamples) / info.sampleRate : 0.0;
}

std::string formatDuration(double seconds) {
    char text[64];
    std::snprintf(text, sizeof text, "%.3f s (%s)", seconds, formatClock(seconds).c_str());
    return text;
}

// "4608 samples", "16 to 4608 samples", or "unknown" when the header leaves both at 0.
std::string rangeText(int32_t least, int32_t most, const char* unit) {
    if (least == 0 && most == 0)
        return "unknown";
    std::string text = std::to_string(least);
    if (most != least)
        text += " to " + std::to_string(most);
    return text + " " + unit;
}

// The picture types of ID3v2 APIC.
const char* pictureTypeName(int32_t type) {
    static const char* const names[] = {"other",
                                        "file icon",
                                        "other file icon",
                                        "front cover",
                                        "back cover",
                                        "leaflet page",
                                        "media",
                                        "lead artist",
                                        "artist",
                                        "conductor",
                                        "band",
                                        "composer",
                                        "lyricist",
                                        "recording location",
                                        "during recording",
                                        "during performance",
                                        "screen capture",
                                        "a bright coloured fish",
                                        "illustration",
                                        "band logotype",
                                        "publisher logotype"};
    return type >= 0 && type <= 20 ? names[type] : "unknown type";
}

// "3 (front cover), image/png, 5000 bytes, 16x32, 24 bits, "description"".
std::string pictureText(orxa::common::IStreamPicture& picture) {
    auto textOf = [](const tamu::P<tamu::IString>& text) {
        return text ? tamu::stringConv::toStdString(*text) : std::string();
    };
    tamu::P<tamu::IMemoryBlock> data = picture.getData();
    std::string text =
        std::to_string(picture.getPictureType()) + " (" +
        pictureTypeName(picture.getPictureType()) + "), " + textOf(picture.getMimeType()) + ", " +
        std::to_string(data ? data->getSize() : 0) + " bytes, " +
        std::to_string(picture.getWidth()) + "x" + std::to_string(picture.getHeight()) + ", " +
        std::to_string(picture.getDepth()) + " bits";
    if (picture.getColours() > 0)
        text += ", " + std::to_string(picture.getColours()) + " colours";
    std::string description = textOf(picture.getDescription());
    if (!description.empty())
        text += ", \"" + description + "\"";
    return text;
}

// Where decoded PCM goes: a temporary that becomes the output, or straight into standard
// output, a device or a FIFO.
class CDecodeOutput {
public:
    explicit CDecodeOutput(const Job& job) {
        if (job.output == "-") {
            m_fd = STDOUT_FILENO;
        } else if (job.direct) {
            m_fd = ::open(job.target.c_str(), O_WRONLY | O_CLOEXEC);
            if (m_fd < 0)
                throw std::runtime_error("cannot open the output: " + systemReason(errno));
            m_own = true;
        } else {
            m_temp = std::make_unique<CTempOutput>(job.target, job.mode);
            m_fd = m_temp->fd();
        }
    }
    CDecodeOutput(const CDecodeOutput&) = delete;
    CDecodeOutput& operator=(const CDecodeOutput&) = delete;
    ~CDecodeOutput() {
        if (m_own)
            ::close(m_fd);
    }

    int fd() const { return m_fd; }
    // Puts the output in place; returns its size where it is a file, else -1.
    int64_t commit() {
        struct stat status {};
        int64_t size = ::fstat(m_fd, &status) == 0 && S_ISREG(status.st_mode) ? status.st_size : -1;
        if (m_temp)
            m_temp->commit();
        return size;
    }

private:
    std::unique_ptr<CTempOutput> m_temp;
    int m_fd = -1;
    bool m_own = false;
};

// Begins a file on the progress display and ends it whatever happens.
class CProgressSlot {
public:
    CProgressSlot(CProgress& progress, const std::string& name, double seconds)
        : m_progress(progress), m_slot(progress.begin(name, seconds)) {}
    CProgressSlot(const CProgressSlot&) = delete;
    CProgressSlot& operator=(const CProgressSlot&) = delete;
    ~CProgressSlot() { m_progress.end(m_slot); }
    void add(double seconds) { m_progress.add(m_slot, seconds); }

private:
    CProgress& m_progress;
    int m_slot;
};

} // namespace

std::string formatClock(double seconds) {
    char text[48];
    int64_t millis = static_cast<int64_t>(seconds * 1000.0 + 0.5);
    std::snprintf(text, sizeof text, "%lld:%02lld.%03lld", static_cast<long long>(millis / 60000),
                  static_cast<long long>(millis / 1000 % 60),
                  static_cast<long long>(millis % 1000));
    return text;
}

double decodeFile(const JobContext& context, const Job& job, const Layout& wanted,
                  CProgress& progress) {
    Clock::time_point start = Clock::now();
    CInputFile input(job.input);
    CDecodingSource source(*context.plugin, input, wanted, context.checkMD5);
    const Layout& layout = source.layout();
    const Span span = applySpan(context, job, source);

    auto output =
        CJobError::about(job.output, [&] { return std::make_unique<CDecodeOutput>(job); });
    const StreamInfo& info = source.info();
    // Only the file's own rate makes the promised length exact.
    int64_t frames = 0;
    if (layout.sampleRate == info.sampleRate) {
        if (span.end >= 0)
            frames = span.end - span.first;
        else if (info.totalSamples > 0)
            frames = std::max<int64_t>(0, info.totalSamples - span.first);
    }
    std::unique_ptr<CPcmSink> sink = CJobError::about(job.output, [&] {
        return makePcmSink(job.kind, output->fd(), layout.sampleRate, layout.channels,
                           layout.bytesPerSample, frames, info.tags);
    });

    CProgressSlot slot(progress, job.input, durationOf(source.info()));
    double done = 0.0;
    while (tamu::P<orxa::audio::IAudioChunk> chunk = source.next()) {
        int32_t size = chunk->getSize();
        CJobError::about(job.output, [&] {
            sink->write(chunk->getData(), static_cast<size_t>(size));
            interruption::check();
        });
        double seconds = static_cast<double>(size / layout.frameBytes()) / layout.sampleRate;
        done += seconds;
        slot.add(seconds);
    }
    judge(context, job.input, source.damage());
    source.close();
    int64_t size = CJobError::about(job.output, [&] {
        sink->finish();
        sink.reset();
        return output->commit();
    });
    report(context, job, done, size, -1, start);
    return done;
}

double encodeFile(const JobContext& context, const Job& job, CProgress& progress) {
    Clock::time_point start = Clock::now();
    CInputFile input(job.input);
    auto reader = CJobError::about(
        job.input, [&] { return std::make_unique<CSoundFileReader>(input.openPath()); });
    // The audio is whole; what the damaged chunk held is lost, and the user hears of it.
    if (!reader->getDamage().empty())
        console::error(job.input, "warning: " + reader->getDamage());
    Layout layout{reader->getSampleRate(), reader->getChannels(), reader->getBytesPerSample()};
    const channelLayout::Order order = CJobError::about(job.input, [&] {
        return channelLayout::orderFor(layout.channels, reader->getChannelPositions(),
                                       context.channelMap);
    });
    CEncodingTarget target(*context.plugin, job, layout,
                           context.encoding.setupFor(reader->getTags(), {}, reader->getFrames()));

    int64_t promised = reader->getPromisedFrames();
    CProgressSlot slot(progress, job.input,
                       static_cast<double>(std::max(promised, reader->getFrames())) /
                           layout.sampleRate);
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
        channelLayout::reorder(samples.data(), frames, order);
        pcm::fromInt32(samples.data(), static_cast<size_t>(frames * layout.channels),
                       layout.bytesPerSample, block->getData());
        double time = static_cast<double>(framesDone) / layout.sampleRate;
        target.write(tamu::make<orxa::audio::CAudioChunk>(time, block.get()));
        CJobError::about(job.output, [] { interruption::check(); });
        framesDone += frames;
        slot.add(static_cast<double>(frames) / layout.sampleRate);
    }
    if (promised > framesDone)
        judge(context, job.input,
              "holds " + std::to_string(framesDone) + " frames of the " + std::to_string(promised) +
                  " its header promises (truncated)");
    int64_t size = target.commit();
    double seconds = static_cast<double>(framesDone) / layout.sampleRate;
    report(context, job, seconds, size, input.size(), start);
    return seconds;
}

double transcodeFile(const JobContext& context, const Job& job, const Layout& wanted,
                     CProgress& progress) {
    Clock::time_point start = Clock::now();
    CInputFile input(job.input);
    CDecodingSource source(*context.plugin, input, wanted, context.checkMD5,
                           !context.encoding.noPictures);
    const Layout& layout = source.layout();
    const StreamInfo& info = source.info();
    std::vector<std::string> tags = info.tags;
    // A channel mask tells the positions of the file's own channels, no longer those written.
    if (layout.channels != info.channels)
        std::erase_if(tags, [](const std::string& tag) {
            return sameTagName(tagName(tag), "WAVEFORMATEXTENSIBLE_CHANNEL_MASK");
        });
    const Span span = applySpan(context, job, source);
    // The length written: the span's, or what is left of the stream, at the output's rate.
    int64_t expected = span.framesAt(info.sampleRate, layout.sampleRate);
    if (expected < 0 && info.totalSamples > 0)
        expected = Span{span.first, info.totalSamples}.framesAt(info.sampleRate, layout.sampleRate);
    if (expected < 0)
        expected = 0;
    CEncodingTarget target(*context.plugin, job, layout,
                           context.encoding.setupFor(tags, info.pictures, expected));

    CProgressSlot slot(progress, job.input, durationOf(source.info()));
    double done = 0.0;
    {
        // The decoding runs ahead on a thread of its own while this one encodes; the source is
        // the reader's alone until it has ended.
        CReadAhead decoded([&] { return source.next(); }, readAheadChunks);
        while (tamu::P<orxa::audio::IAudioChunk> chunk = decoded.next()) {
            double seconds =
                static_cast<double>(chunk->getSize() / layout.frameBytes()) / layout.sampleRate;
            target.write(chunk);
            CJobError::about(job.output, [] { interruption::check(); });
            done += seconds;
            slot.add(seconds);
        }
    }
    judge(context, job.input, source.damage());
    source.close();
    int64_t size = target.commit();
    report(context, job, done, size, input.size(), start);
    return done;
}

double testFile(const JobContext& context, const Job& job, CProgress& progress) {
    CInputFile input(job.input);
    CDecodingSource source(*context.plugin, input, Layout{}, true);
    const Layout& layout = source.layout();
    CProgressSlot slot(progress, job.input, durationOf(source.info()));
    double done = 0.0;
    while (tamu::P<orxa::audio::IAudioChunk> chunk = source.next()) {
        double seconds =
            static_cast<double>(chunk->getSize() / layout.frameBytes()) / layout.sampleRate;
        CJobError::about(job.input, [] { interruption::check(); });
        done += seconds;
        slot.add(seconds);
    }
    std::string damage = source.damage();
    source.close();
    if (!damage.empty())
        throw CJobError(job.input, damage);
    if (!context.quiet)
        console::message(job.input + ": ok");
    return done;
}

std::string describeFile(const JobContext& context, const std::string& path) {
    CInputFile input(path);
    CDecodingSource source(*context.plugin, input, Layout{}, false, true);
    const StreamInfo& info = source.info();
    std::string text = path + "\n";
    auto line = [&](const char* name, const std::string& value) {
        char label[32];
        std::snprintf(label, sizeof label, "  %-15s", name);
        text += label + value + "\n";
    };
    line("sample rate", std::to_string(info.sampleRate) + " Hz");
    const char* layoutName = channelLayout::nameOf(info.channels);
    line("channels", std::to_string(info.channels) +
                         (*layoutName ? std::string(" (") + layoutName + ")" : std::string()));
    line("bits", std::to_string(info.bitsPerSample));
    if (info.totalSamples > 0) {
        line("total samples", std::to_string(info.totalSamples));
        line("duration", formatDuration(durationOf(info)));
    } else {
        line("total samples", "unknown");
        line("duration", "unknown");
    }
    if (info.seekPoints >= 0)
        line("seek points", info.seekPoints > 0 ? std::to_string(info.seekPoints)
                                                : std::string("0 (seeks by searching)"));
    line("tags", std::to_string(info.tags.size()));
    for (const std::string& tag : info.tags)
        text += "    " + tag + "\n";
    line("vendor", info.vendor.empty() ? "none" : info.vendor);
    const std::string md5 = info.md5Hex();
    line("MD5", md5.empty() ? "unset" : md5);
    line("block size", rangeText(info.minBlockSize, info.maxBlockSize, "samples"));
    line("frame size", rangeText(info.minFrameSize, info.maxFrameSize, "bytes"));
    line("pictures", std::to_string(info.pictures.size()));
    for (const tamu::P<orxa::common::IStreamPicture>& picture : info.pictures)
        text += "    " + pictureText(*picture) + "\n";
    source.close();
    return text;
}

BatchResult runJobs(const std::vector<Job>& jobs, int threads,
                    const std::function<double(const Job&)>& work) {
    std::atomic<size_t> nextJob{0};
    std::atomic<int> failures{0}, done{0};
    std::mutex audioLock;
    double audio = 0.0;
    auto fail = [&](const std::string& file, const std::string& reason) {
        ++failures;
        if (interruption::requested() && !interruption::claimReport())
            return;
        console::error(file, reason);
    };
    auto worker = [&] {
        // After an interruption no job begins; the ones under way end with it.
        for (size_t i = nextJob++; i < jobs.size() && !interruption::requested(); i = nextJob++) {
            interruption::jobBegins(jobs[i].input);
            struct Ending {
                const std::string& file;
                ~Ending() { interruption::jobEnds(file); }
            } ending{jobs[i].input};
            try {
                double seconds = work(jobs[i]);
                std::lock_guard<std::mutex> guard(audioLock);
                audio += seconds;
                ++done;
            } catch (const CJobError& e) {
                fail(e.file(), e.what());
            } catch (const std::exception& e) {
                fail(jobs[i].input, e.what());
            } catch (...) {
                fail(jobs[i].input, "failed for an unknown reason");
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
    BatchResult result;
    result.done = done;
    result.failed = failures;
    result.skipped = static_cast<int>(jobs.size()) - result.done - result.failed;
    result.audioSeconds = audio;
    return result;
}

} // namespace orxa::host
