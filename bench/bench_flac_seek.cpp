// skipTo to 59:00 of a one-hour file and the chunk after it: seeking (by the seek table, and by
// bisection in a file without one) against the forward decoding skipTo used to do, measured on
// the same file. The file is made here, CD layout at libFLAC's fastest level, so that making it
// stays short.

#include "host/CPluginHost.h"
#include "orxa/audio/IAudioChunk.h"
#include "orxa/common/IHostLog.h"
#include "orxa/common/IPluginHost.h"
#include "orxa/flac/CFLACSource.h"
#include "tamu/CMemoryManager.h"
#include "tamu/stringConv.h"

#include <FLAC/metadata.h>
#include <FLAC/stream_encoder.h>
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <numbers>
#include <string>
#include <vector>

namespace {

constexpr int32_t rate = 44100;
constexpr int64_t hour = int64_t{3600} * rate;
constexpr double target = 59 * 60.0;

// An hour of stereo tones with a little noise, encoded in 10-second pieces; `seekTable` adds a
// point every 10 seconds, as flac does by default.
void encodeHour(const std::string& path, bool seekTable) {
    FLAC__StreamEncoder* encoder = FLAC__stream_encoder_new();
    FLAC__stream_encoder_set_channels(encoder, 2);
    FLAC__stream_encoder_set_sample_rate(encoder, rate);
    FLAC__stream_encoder_set_bits_per_sample(encoder, 16);
    FLAC__stream_encoder_set_compression_level(encoder, 0);
    FLAC__stream_encoder_set_blocksize(encoder, 4096);
    FLAC__stream_encoder_set_total_samples_estimate(encoder, hour);
    FLAC__StreamMetadata* table = nullptr;
    if (seekTable) {
        table = FLAC__metadata_object_new(FLAC__METADATA_TYPE_SEEKTABLE);
        FLAC__metadata_object_seektable_template_append_spaced_points_by_samples(table, 10 * rate,
                                                                                 hour);
        FLAC__metadata_object_seektable_template_sort(table, true);
        FLAC__stream_encoder_set_metadata(encoder, &table, 1);
    }
    FLAC__stream_encoder_init_file(encoder, path.c_str(), nullptr, nullptr);
    std::vector<int32_t> piece(static_cast<std::size_t>(10 * rate * 2));
    uint32_t noise = 1;
    for (int64_t at = 0; at < hour; at += 10 * rate) {
        for (std::size_t f = 0; f < piece.size() / 2; ++f) {
            const double t = static_cast<double>(at + static_cast<int64_t>(f)) / rate;
            noise = noise * 1664525u + 1013904223u;
            const double v = 9000 * std::sin(2 * std::numbers::pi * 440 * t) +
                             static_cast<double>(noise >> 22) - 512;
            piece[2 * f] = static_cast<int32_t>(v);
            piece[2 * f + 1] = static_cast<int32_t>(-0.7 * v);
        }
        FLAC__stream_encoder_process_interleaved(encoder, piece.data(),
                                                 static_cast<uint32_t>(piece.size() / 2));
    }
    FLAC__stream_encoder_finish(encoder);
    FLAC__stream_encoder_delete(encoder);
    if (table)
        FLAC__metadata_object_delete(table);
}

struct Files {
    std::string folder;
    std::string tabled;
    std::string plain;

    Files() {
        char pattern[] = "/tmp/orxa-bench-XXXXXX";
        folder = mkdtemp(pattern);
        tabled = folder + "/hour.flac";
        plain = folder + "/hour-no-table.flac";
        encodeHour(tabled, true);
        encodeHour(plain, false);
    }
    ~Files() {
        std::remove(tabled.c_str());
        std::remove(plain.c_str());
        rmdir(folder.c_str());
    }
};

Files& files() {
    static Files shared;
    return shared;
}

double since(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

tamu::P<orxa::flac::CFLACSource> openSource(orxa::common::IPluginHost* host,
                                            const std::string& path) {
    auto source = tamu::make<orxa::flac::CFLACSource>(host, tamu::str("orxa_flac"),
                                                      tamu::stringConv::fromStd(path), rate, 2, 2);
    source->open();
    return source;
}

// From the start of the file each time: the first chunk is decoded, then the jump.
void seekFromTheStart(benchmark::State& state, const std::string& path) {
    // The tool's host, quiet.
    auto host = tamu::make<orxa::host::CPluginHost>(false);
    tamu::P<orxa::flac::CFLACSource> source = openSource(host.get(), path);
    for (auto _ : state) {
        state.PauseTiming();
        source->skipTo(0.0);
        benchmark::DoNotOptimize(source->getNextAudioChunk());
        state.ResumeTiming();
        auto start = std::chrono::steady_clock::now();
        source->skipTo(target);
        tamu::P<orxa::audio::IAudioChunk> chunk = source->getNextAudioChunk();
        state.SetIterationTime(since(start));
        if (!chunk || std::abs(chunk->getTime() - target - chunk->getSize() / 4.0 / rate) > 1e-9)
            state.SkipWithError("the chunk after the jump is not at 59:00");
    }
    source->close();
}

void seekWithTable(benchmark::State& state) {
    seekFromTheStart(state, files().tabled);
}

void seekByBisection(benchmark::State& state) {
    seekFromTheStart(state, files().plain);
}

// What skipTo did before it could seek: every chunk up to the time decoded and dropped, then
// one more dropped, then the chunk after it.
void forwardDecoding(benchmark::State& state) {
    // The tool's host, quiet.
    auto host = tamu::make<orxa::host::CPluginHost>(false);
    for (auto _ : state) {
        tamu::P<orxa::flac::CFLACSource> source = openSource(host.get(), files().tabled);
        auto start = std::chrono::steady_clock::now();
        tamu::P<orxa::audio::IAudioChunk> chunk = source->getNextAudioChunk();
        while (chunk && chunk->getTime() < target)
            chunk = source->getNextAudioChunk();
        chunk = source->getNextAudioChunk();
        state.SetIterationTime(since(start));
        benchmark::DoNotOptimize(chunk);
        source->close();
    }
}

} // namespace

BENCHMARK(seekWithTable)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(50);
BENCHMARK(seekByBisection)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(50);
BENCHMARK(forwardDecoding)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);

BENCHMARK_MAIN();
