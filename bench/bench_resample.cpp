#include "orxa/audio/IAudioChunk.h"
#include "orxa/samplerateconverter/CSampleRateConverter.h"
#include "tamu/CMemoryManager.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <numbers>
#include <vector>

using orxa::samplerateconverter::CSampleRateConverter;

namespace {

constexpr int32_t callFrames = 4096;

// Ten seconds of a stereo 16-bit signal with tones across the band.
std::vector<int16_t> programme(int32_t rate) {
    const int32_t frames = rate * 10;
    std::vector<int16_t> samples(static_cast<std::size_t>(frames) * 2);
    for (int32_t f = 0; f < frames; ++f) {
        const double t = static_cast<double>(f) / rate;
        const double v = 8000 * std::sin(2 * std::numbers::pi * 440 * t) +
                         6000 * std::sin(2 * std::numbers::pi * 3520 * t) +
                         4000 * std::sin(2 * std::numbers::pi * 15000 * t);
        samples[2 * static_cast<std::size_t>(f)] = static_cast<int16_t>(v);
        samples[2 * static_cast<std::size_t>(f) + 1] = static_cast<int16_t>(-v);
    }
    return samples;
}

void convertStereo16(benchmark::State& state, int32_t from, int32_t to) {
    const std::vector<int16_t> input = programme(from);
    const auto frames = static_cast<int32_t>(input.size() / 2);
    auto manager = tamu::make<tamu::CMemoryManager>(30);
    CSampleRateConverter converter(from, 2, 2, to, 2, 2, manager.get(), false);
    int32_t at = 0;
    int64_t framesOut = 0;
    for (auto _ : state) {
        tamu::P<orxa::audio::IAudioChunk> chunk =
            converter.convert(input.data() + 2 * at, callFrames * 4, -1);
        framesOut += chunk->getSize() / 4;
        benchmark::DoNotOptimize(chunk->getData());
        at += callFrames;
        if (at + callFrames > frames)
            at = 0;
    }
    state.counters["frames_per_second"] = benchmark::Counter(
        static_cast<double>(state.iterations()) * callFrames, benchmark::Counter::kIsRate);
    state.counters["output_frames_per_second"] =
        benchmark::Counter(static_cast<double>(framesOut), benchmark::Counter::kIsRate);
}

} // namespace

BENCHMARK_CAPTURE(convertStereo16, 44100_to_48000, 44100, 48000)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(convertStereo16, 48000_to_44100, 48000, 44100)->Unit(benchmark::kMicrosecond);
// Channel and size conversion alone: the cost around the filter.
BENCHMARK_CAPTURE(convertStereo16, 44100_to_44100, 44100, 44100)->Unit(benchmark::kMicrosecond);

BENCHMARK_MAIN();
