// Decoding and encoding through the plug-in's FLAC workers against raw libFLAC on the same
// file, alternating within each iteration so that both see the same machine load. The counter
// "ratio" is plug-in time / libFLAC time; compare it, not the absolute times.

#include "host/CPluginHost.h"
#include "orxa/audio/CAudioChunk.h"
#include "orxa/common/IHostLog.h"
#include "orxa/common/IPluginHost.h"
#include "orxa/flac/CFLACFormat.h"
#include "orxa/flac/CFLACSource.h"
#include "tamu/CMemoryManager.h"
#include "tamu/IMemoryBlock.h"
#include "tamu/stringConv.h"

#include <FLAC/stream_decoder.h>
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
constexpr int32_t seconds = 10;
constexpr int32_t chunkFrames = 4410;

// Ten seconds of stereo 16-bit: tones and a little noise, as music compresses.
std::vector<int16_t> programme() {
    std::vector<int16_t> samples(static_cast<std::size_t>(rate) * seconds * 2);
    uint32_t noise = 1;
    for (std::size_t f = 0; f < samples.size() / 2; ++f) {
        const double t = static_cast<double>(f) / rate;
        noise = noise * 1664525u + 1013904223u;
        const double v = 9000 * std::sin(2 * std::numbers::pi * 440 * t) +
                         5000 * std::sin(2 * std::numbers::pi * 2637 * t) +
                         static_cast<double>(noise >> 22) - 512;
        samples[2 * f] = static_cast<int16_t>(v);
        samples[2 * f + 1] = static_cast<int16_t>(-0.7 * v);
    }
    return samples;
}

// The encoder as the plug-in's format configures it.
FLAC__StreamEncoder* configuredEncoder() {
    FLAC__StreamEncoder* encoder = FLAC__stream_encoder_new();
    FLAC__stream_encoder_set_channels(encoder, 2);
    FLAC__stream_encoder_set_sample_rate(encoder, rate);
    FLAC__stream_encoder_set_bits_per_sample(encoder, 16);
    FLAC__stream_encoder_set_do_mid_side_stereo(encoder, true);
    FLAC__stream_encoder_set_max_lpc_order(encoder, 8);
    FLAC__stream_encoder_set_min_residual_partition_order(encoder, 3);
    FLAC__stream_encoder_set_max_residual_partition_order(encoder, 3);
    FLAC__stream_encoder_set_blocksize(encoder, 4608);
    return encoder;
}

struct Files {
    std::string folder;
    std::string input;
    std::string output;
    std::vector<int16_t> pcm;

    Files() : pcm(programme()) {
        char pattern[] = "/tmp/orxa-bench-XXXXXX";
        folder = mkdtemp(pattern);
        input = folder + "/in.flac";
        output = folder + "/out.flac";
        std::vector<int32_t> wide(pcm.begin(), pcm.end());
        FLAC__StreamEncoder* encoder = configuredEncoder();
        FLAC__stream_encoder_init_file(encoder, input.c_str(), nullptr, nullptr);
        FLAC__stream_encoder_process_interleaved(encoder, wide.data(),
                                                 static_cast<uint32_t>(pcm.size() / 2));
        FLAC__stream_encoder_finish(encoder);
        FLAC__stream_encoder_delete(encoder);
    }
    ~Files() {
        std::remove(input.c_str());
        std::remove(output.c_str());
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

// Raw libFLAC: decode the file and interleave into one buffer, the least a host would do.
struct RawOutput {
    std::vector<int16_t> samples;
    std::size_t used = 0;
};

FLAC__StreamDecoderWriteStatus interleave(const FLAC__StreamDecoder*, const FLAC__Frame* frame,
                                          const FLAC__int32* const buffer[], void* data) {
    auto* out = static_cast<RawOutput*>(data);
    const uint32_t frames = frame->header.blocksize;
    if (out->samples.size() < out->used + 2 * frames)
        out->samples.resize(out->used + 2 * frames);
    int16_t* at = out->samples.data() + out->used;
    for (uint32_t i = 0; i < frames; ++i) {
        at[2 * i] = static_cast<int16_t>(buffer[0][i]);
        at[2 * i + 1] = static_cast<int16_t>(buffer[1][i]);
    }
    out->used += 2 * frames;
    return FLAC__STREAM_DECODER_WRITE_STATUS_CONTINUE;
}

void ignoreError(const FLAC__StreamDecoder*, FLAC__StreamDecoderErrorStatus, void*) {}

int64_t decodeRaw(RawOutput& out) {
    out.used = 0;
    FLAC__StreamDecoder* decoder = FLAC__stream_decoder_new();
    FLAC__stream_decoder_init_file(decoder, files().input.c_str(), &interleave, nullptr,
                                   &ignoreError, &out);
    FLAC__stream_decoder_process_until_end_of_stream(decoder);
    FLAC__stream_decoder_delete(decoder);
    return static_cast<int64_t>(out.used / 2);
}

int64_t decodePlugin(orxa::common::IPluginHost* host) {
    auto source = tamu::make<orxa::flac::CFLACSource>(
        host, tamu::str("orxa_flac"), tamu::stringConv::fromStd(files().input), rate, 2, 2);
    source->open();
    int64_t frames = 0;
    while (tamu::P<orxa::audio::IAudioChunk> chunk = source->getNextAudioChunk()) {
        benchmark::DoNotOptimize(chunk->getData());
        frames += chunk->getSize() / 4;
    }
    source->close();
    return frames;
}

void decode(benchmark::State& state) {
    // The tool's host, quiet.
    auto host = tamu::make<orxa::host::CPluginHost>(false);
    RawOutput raw;
    double pluginTime = 0;
    double rawTime = 0;
    int64_t frames = 0;
    for (auto _ : state) {
        auto start = std::chrono::steady_clock::now();
        frames += decodePlugin(host.get());
        double plugin = since(start);
        start = std::chrono::steady_clock::now();
        if (decodeRaw(raw) != static_cast<int64_t>(files().pcm.size() / 2))
            state.SkipWithError("libFLAC decoded another length");
        rawTime += since(start);
        pluginTime += plugin;
        state.SetIterationTime(plugin);
    }
    state.counters["ratio"] = pluginTime / rawTime;
    state.counters["frames_per_second"] =
        benchmark::Counter(static_cast<double>(frames), benchmark::Counter::kIsRate);
}

void encodePlugin(orxa::common::IPluginHost* host, tamu::IMemoryManager& memory) {
    auto format = tamu::make<orxa::flac::CFLACFormat>(
        host, tamu::str("orxa_flac"), tamu::stringConv::fromStd(files().output), rate, 2, 2);
    format->open();
    const std::vector<int16_t>& pcm = files().pcm;
    for (std::size_t at = 0; at < pcm.size(); at += 2 * chunkFrames) {
        const std::size_t count = std::min<std::size_t>(2 * chunkFrames, pcm.size() - at);
        tamu::P<tamu::IMemoryBlock> block = memory.allocate(static_cast<int32_t>(count * 2));
        std::copy(pcm.begin() + static_cast<std::ptrdiff_t>(at),
                  pcm.begin() + static_cast<std::ptrdiff_t>(at + count),
                  reinterpret_cast<int16_t*>(block->getData()));
        format->writeAudioChunk(tamu::make<orxa::audio::CAudioChunk>(0.0, block.get()));
    }
    format->close();
}

// Raw libFLAC gets the same chunks already widened to 32 bits: the widening is the plug-in's.
void encodeRaw(const std::vector<int32_t>& wide) {
    FLAC__StreamEncoder* encoder = configuredEncoder();
    FLAC__stream_encoder_init_file(encoder, files().output.c_str(), nullptr, nullptr);
    for (std::size_t at = 0; at < wide.size(); at += 2 * chunkFrames) {
        const std::size_t count = std::min<std::size_t>(2 * chunkFrames, wide.size() - at);
        FLAC__stream_encoder_process_interleaved(encoder, wide.data() + at,
                                                 static_cast<uint32_t>(count / 2));
    }
    FLAC__stream_encoder_finish(encoder);
    FLAC__stream_encoder_delete(encoder);
}

void encode(benchmark::State& state) {
    // The tool's host, quiet.
    auto host = tamu::make<orxa::host::CPluginHost>(false);
    tamu::P<tamu::IMemoryManager> memory = host->getMemoryManager();
    const std::vector<int32_t> wide(files().pcm.begin(), files().pcm.end());
    double pluginTime = 0;
    double rawTime = 0;
    for (auto _ : state) {
        auto start = std::chrono::steady_clock::now();
        encodePlugin(host.get(), *memory);
        double plugin = since(start);
        start = std::chrono::steady_clock::now();
        encodeRaw(wide);
        rawTime += since(start);
        pluginTime += plugin;
        state.SetIterationTime(plugin);
    }
    state.counters["ratio"] = pluginTime / rawTime;
    state.counters["frames_per_second"] = benchmark::Counter(
        static_cast<double>(state.iterations()) * static_cast<double>(files().pcm.size() / 2),
        benchmark::Counter::kIsRate);
}

} // namespace

BENCHMARK(decode)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(encode)->UseManualTime()->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
