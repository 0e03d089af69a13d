#include "orxa/audio/IAudioChunk.h"
#include "orxa/samplerateconverter/CSampleRateConverter.h"
#include "pcmTestSupport.h"
#include "tamu/CError.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <functional>
#include <numbers>
#include <stdexcept>
#include <string>

using namespace orxa::samplerateconverter;
using orxa::audio::IAudioChunk;
using orxa::testing::bytesOf;
using orxa::testing::CRecordingMemoryManager;
using orxa::testing::newMemoryManager;
using orxa::testing::samplesOf;
using tamu::P;

namespace {

struct Layout {
    int32_t rate;
    int32_t channels;
    int32_t bytes;
};

P<CSampleRateConverter> makeConverter(Layout from, Layout to, bool planar = false,
                                      tamu::IMemoryManager* manager = nullptr) {
    P<tamu::IMemoryManager> own = manager ? P<tamu::IMemoryManager>(manager) : newMemoryManager();
    return tamu::make<CSampleRateConverter>(from.rate, from.channels, from.bytes, to.rate,
                                            to.channels, to.bytes, own.get(), planar);
}

std::string errorText(const std::function<void()>& action) {
    try {
        action();
    } catch (const tamu::CError& error) {
        return error.what();
    } catch (const std::exception& error) {
        return std::string("(not a CError) ") + error.what();
    }
    return "(nothing thrown)";
}

// Interleaved 16-bit frames of a signal with some of everything: two tones and a little noise.
std::vector<int16_t> programme(int32_t frames, int32_t channels, int32_t rate) {
    std::vector<int16_t> samples(static_cast<std::size_t>(frames * channels));
    uint32_t seed = 12345;
    for (int32_t f = 0; f < frames; ++f)
        for (int32_t c = 0; c < channels; ++c) {
            seed = seed * 1664525u + 1013904223u;
            const double t = static_cast<double>(f) / rate;
            const double v = 9000.0 * std::sin(2 * std::numbers::pi * (440.0 + 110 * c) * t) +
                             6000.0 * std::sin(2 * std::numbers::pi * 5000.0 * t + c) +
                             static_cast<int32_t>(seed >> 20) - 2048;
            samples[static_cast<std::size_t>(f * channels + c)] = static_cast<int16_t>(v);
        }
    return samples;
}

// Feeds `input` in calls of the given frame counts (cycling through them), then flushes.
// Returns every chunk, the flushed one last.
std::vector<P<IAudioChunk>> convertInCalls(CSampleRateConverter& converter,
                                           const std::vector<int16_t>& input, int32_t channels,
                                           const std::vector<int32_t>& callFrames) {
    std::vector<P<IAudioChunk>> chunks;
    const auto total = static_cast<int32_t>(input.size()) / channels;
    std::size_t call = 0;
    for (int32_t at = 0; at < total; ++call) {
        const int32_t frames = std::min(callFrames[call % callFrames.size()], total - at);
        chunks.push_back(
            converter.convert(input.data() + at * channels, frames * channels * 2, -1));
        at += frames;
    }
    chunks.push_back(converter.flush());
    return chunks;
}

std::vector<int16_t> joined(const std::vector<P<IAudioChunk>>& chunks) {
    std::vector<int16_t> all;
    for (const P<IAudioChunk>& chunk : chunks) {
        const std::vector<int16_t> samples = samplesOf(*chunk);
        all.insert(all.end(), samples.begin(), samples.end());
    }
    return all;
}

// A 16-bit value as a source sample of `bytes` bytes: 8-bit is offset by 128, wider samples carry
// noise in the low bytes the reduction drops.
void encode(std::vector<uint8_t>& out, int16_t v, int32_t bytes) {
    if (bytes == 1)
        return out.push_back(static_cast<uint8_t>((v >> 8) + 128));
    for (int32_t i = 2; i < bytes; ++i)
        out.push_back(static_cast<uint8_t>(0x5A + i));
    out.insert(out.end(), {static_cast<uint8_t>(v & 0xFF), static_cast<uint8_t>((v >> 8) & 0xFF)});
}

// The 16-bit value packed to `bytes` bytes, as the target format defines it.
void expectPacked(std::vector<uint8_t>& out, int16_t s, int32_t bytes) {
    if (bytes == 1)
        return out.push_back(static_cast<uint8_t>(static_cast<int>((s / 65535.0 + 0.5) * 255.0)));
    out.insert(out.end(), static_cast<std::size_t>(bytes - 2), uint8_t{0});
    out.insert(out.end(), {static_cast<uint8_t>(s & 0xFF), static_cast<uint8_t>((s >> 8) & 0xFF)});
}

} // namespace

TEST(SampleRateConverter, BadLayoutsFailWithTheirTexts) {
    for (int32_t bytes : {0, 5, -2})
        EXPECT_EQ(errorText([&] {
                      makeConverter({44100, 2, 2}, {44100, 2, bytes});
                  }),
                  "CSampleRateConverter: could not convert short samples to DestBytesPerSample " +
                      std::to_string(bytes));

    // The rest only show when there is something to convert.
    const struct {
        Layout from, to;
        const char* text;
    } cases[] = {
        {{44100, 0, 2}, {44100, 2, 2}, "source channel count should not be zero"},
        {{44100, 2, 0}, {44100, 2, 2}, "source sample size should not be zero"},
        {{44100, 2, 5}, {44100, 2, 2}, "could not convert samples to short SrcBytesPerSample 5"},
        {{44100, 5, 2}, {44100, 1, 2}, "no suitable ChannelConversion found for 5 -> 1"},
        {{48000, 8, 2}, {44100, 1, 2}, "no suitable ChannelConversion found for 8 -> 1"},
    };
    const int16_t frame[8] = {};
    for (const auto& c : cases)
        EXPECT_EQ(errorText([&] { makeConverter(c.from, c.to)->convert(frame, sizeof frame, -1); }),
                  std::string("CSampleRateConverter: ") + c.text);
}

TEST(SampleRateConverter, AFailedCallLeavesTheStreamAsItWas) {
    // Every allocation of a call in turn fails once; the retried call must then give what a
    // converter that never failed gives, samples and time stamps alike.
    const std::vector<int16_t> input = programme(3000, 2, 44100);
    const auto call = [&](CSampleRateConverter& converter, int k) {
        return converter.convert(input.data() + k * 1000 * 2, 1000 * 2 * 2, -1);
    };
    P<CSampleRateConverter> reference = makeConverter({44100, 2, 2}, {48000, 2, 2});
    std::vector<std::vector<uint8_t>> expected;
    std::vector<double> expectedTimes;
    for (int k = 0; k < 3; ++k) {
        P<IAudioChunk> chunk = call(*reference, k);
        expected.push_back(bytesOf(*chunk));
        expectedTimes.push_back(chunk->getTime());
    }
    expected.push_back(bytesOf(*reference->flush()));

    int failures = 0;
    for (int failing = 1; failing <= 8; ++failing) {
        SCOPED_TRACE(failing);
        auto manager = tamu::make<CRecordingMemoryManager>(newMemoryManager());
        P<CSampleRateConverter> converter =
            makeConverter({44100, 2, 2}, {48000, 2, 2}, false, manager.get());
        P<IAudioChunk> first = call(*converter, 0);
        EXPECT_EQ(bytesOf(*first), expected[0]);
        manager->failAllocation(failing);
        int next = 1;
        try {
            P<IAudioChunk> chunk = call(*converter, 1);
            // The call needed fewer allocations than that: it went through.
            manager->failAllocation(0);
            EXPECT_EQ(bytesOf(*chunk), expected[1]);
            next = 2;
        } catch (const std::bad_alloc&) {
            ++failures;
        }
        for (int k = next; k < 3; ++k) {
            P<IAudioChunk> chunk = call(*converter, k);
            EXPECT_EQ(bytesOf(*chunk), expected[k]);
            EXPECT_EQ(chunk->getTime(), expectedTimes[k]);
        }
        EXPECT_EQ(bytesOf(*converter->flush()), expected[3]);
    }
    EXPECT_GE(failures, 3); // two channels' input and the result, at least
}

TEST(SampleRateConverter, NoInputConvertsOneFrameOfSilence) {
    const int16_t loud[2] = {30000, -30000};
    for (int32_t sourceBytes : {1, 2, 3, 4}) {
        SCOPED_TRACE(sourceBytes);
        P<CSampleRateConverter> converter = makeConverter({8000, 2, sourceBytes}, {8000, 2, 2});
        EXPECT_EQ(samplesOf(*converter->convert(nullptr, 0, -1)), (std::vector<int16_t>{0, 0}));
        // Fewer bytes than a frame count as no input, whatever the bytes say.
        EXPECT_EQ(samplesOf(*converter->convert(loud, sourceBytes * 2 - 1, -1)),
                  (std::vector<int16_t>{0, 0}));
        EXPECT_EQ(samplesOf(*converter->convert(loud, 0, -1)), (std::vector<int16_t>{0, 0}));
    }
    P<CSampleRateConverter> toBytes = makeConverter({8000, 1, 2}, {8000, 2, 1});
    EXPECT_EQ(bytesOf(*toBytes->convert(nullptr, 0, -1)), (std::vector<uint8_t>{127, 127}));

    // Through a real filter the silent frame still counts: after the tail, one frame went in
    // and about one frame at the new rate came out, all of it silent.
    P<CSampleRateConverter> resampling = makeConverter({44100, 2, 2}, {48000, 2, 2});
    std::vector<P<IAudioChunk>> chunks{resampling->convert(nullptr, 0, -1), resampling->flush()};
    const std::vector<int16_t> out = joined(chunks);
    EXPECT_LE(std::abs(static_cast<int>(out.size() / 2) - 1), 1);
    for (int16_t s : out)
        EXPECT_EQ(s, 0);
}

TEST(SampleRateConverter, PacksEverySourceSizeToEveryTargetSize) {
    const std::vector<int16_t> values = {-32768, -32767, -257, -256, -1,   0,     1,
                                         127,    128,    255,  256,  4660, 12345, 32767};
    for (int32_t sourceBytes = 1; sourceBytes <= 4; ++sourceBytes)
        for (int32_t targetBytes = 1; targetBytes <= 4; ++targetBytes)
            for (bool planar : {false, true}) {
                SCOPED_TRACE(std::to_string(sourceBytes) + " -> " + std::to_string(targetBytes) +
                             (planar ? " planar" : " interleaved"));
                // Left runs up the list, right runs down it; 8-bit sources keep the high byte.
                const std::size_t n = values.size();
                const auto value = [&](bool right, std::size_t j) {
                    const int16_t v = values[right ? n - 1 - j : j];
                    return sourceBytes == 1 ? static_cast<int16_t>((v >> 8) * 256) : v;
                };
                std::vector<uint8_t> input, expected;
                for (std::size_t i = 0; i < 2 * n; ++i) {
                    encode(input, values[i % 2 ? n - 1 - i / 2 : i / 2], sourceBytes);
                    if (planar)
                        expectPacked(expected, value(i >= n, i % n), targetBytes);
                    else
                        expectPacked(expected, value(i % 2, i / 2), targetBytes);
                }
                P<CSampleRateConverter> converter =
                    makeConverter({22050, 2, sourceBytes}, {22050, 2, targetBytes}, planar);
                P<IAudioChunk> chunk =
                    converter->convert(input.data(), static_cast<int32_t>(input.size()), -1);
                EXPECT_EQ(bytesOf(*chunk), expected);
            }
}

TEST(SampleRateConverter, ChannelLayoutFollowsAcmod) {
    const int16_t quad[4] = {100, 200, 300, 400};
    P<CSampleRateConverter> converter = makeConverter({8000, 4, 2}, {8000, 6, 2});
    EXPECT_EQ(samplesOf(*converter->convert(quad, sizeof quad, 5)),
              (std::vector<int16_t>{100, 200, 300, 0, 400, 400}));
    EXPECT_EQ(samplesOf(*converter->convert(quad, sizeof quad, -1)),
              (std::vector<int16_t>{100, 200, 0, 0, 300, 400}));
    const int16_t mono[2] = {1234, -4321};
    P<CSampleRateConverter> spread = makeConverter({8000, 1, 2}, {8000, 2, 2});
    EXPECT_EQ(samplesOf(*spread->convert(mono, sizeof mono, 7)),
              (std::vector<int16_t>{1234, 1234, -4321, -4321}));
}

TEST(SampleRateConverter, TimeStampsCountTheFramesEmittedBefore) {
    const std::vector<int16_t> input = programme(2000, 1, 8000);
    P<CSampleRateConverter> same = makeConverter({8000, 1, 2}, {8000, 1, 2});
    EXPECT_EQ(same->convert(input.data(), 100 * 2, -1)->getTime(), 0.0);
    EXPECT_EQ(same->convert(input.data(), 250 * 2, -1)->getTime(), 100 / 8000.0);
    EXPECT_EQ(same->convert(input.data(), 30 * 2, -1)->getTime(), 350 / 8000.0);
    EXPECT_EQ(same->flush()->getTime(), 380 / 8000.0);

    P<CSampleRateConverter> resampling = makeConverter({44100, 1, 2}, {48000, 2, 2});
    const std::vector<P<IAudioChunk>> chunks =
        convertInCalls(*resampling, programme(20000, 1, 44100), 1, {1500, 333, 4096});
    int64_t before = 0;
    for (const P<IAudioChunk>& chunk : chunks) {
        EXPECT_EQ(chunk->getTime(), static_cast<double>(before) / 48000);
        before += chunk->getSize() / 4;
    }
    // A stream that goes on after a flush keeps its time base.
    EXPECT_EQ(resampling->convert(input.data(), 200, -1)->getTime(),
              static_cast<double>(before) / 48000);
}

// Equal rates pass samples through unchanged and without delay; input beyond one call's output
// waits for the next call.
TEST(SampleRateConverter, EqualRatesPassSamplesThroughInOrder) {
    const std::vector<int16_t> input = programme(100000, 1, 16000);
    P<CSampleRateConverter> converter = makeConverter({16000, 1, 2}, {16000, 1, 2});
    const std::vector<int16_t> head(input.begin(), input.begin() + 5000);
    EXPECT_EQ(samplesOf(*converter->convert(head.data(), 5000 * 2, -1)), head);
    EXPECT_EQ(converter->flush()->getSize(), 0);
    converter = makeConverter({16000, 1, 2}, {16000, 1, 2});
    P<IAudioChunk> first = converter->convert(input.data(), 100000 * 2, -1);
    ASSERT_EQ(first->getSize(), CSampleRateConverter::maxOutputSamples * 2);
    const std::vector<int16_t> tail(input.begin() + 96000, input.end());
    const int16_t more[10] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10};
    P<IAudioChunk> second = converter->convert(more, sizeof more, -1);
    std::vector<int16_t> expected = tail;
    expected.insert(expected.end(), more, more + 10);
    EXPECT_EQ(samplesOf(*second), expected);
    EXPECT_EQ(second->getTime(), 96000 / 16000.0);
}

// Large calls hold more input than one call may turn into output, so input is carried over;
// either way the flushed stream has its full length. Two converters agreeing to the byte also
// shows the output owes nothing to chance (dither).
TEST(SampleRateConverter, SmallAndLargeCallsGiveTheSameFullLengthStream) {
    const int32_t frames = 441000 + 123;
    const std::vector<int16_t> input = programme(frames, 2, 44100);
    for (auto [from, to] : {std::pair{44100, 48000}, std::pair{48000, 44100},
                            std::pair{44100, 22050}, std::pair{8000, 96000}}) {
        SCOPED_TRACE(std::to_string(from) + " -> " + std::to_string(to));
        P<CSampleRateConverter> small = makeConverter({from, 2, 2}, {to, 2, 2});
        P<CSampleRateConverter> large = makeConverter({from, 2, 2}, {to, 2, 2});
        const std::vector<P<IAudioChunk>> largeChunks =
            convertInCalls(*large, input, 2, {120000, 130000});
        for (std::size_t i = 0; i + 1 < largeChunks.size(); ++i) // the flush gives the rest
            EXPECT_LE(largeChunks[i]->getSize(), 2 * 2 * CSampleRateConverter::maxOutputSamples);
        const std::vector<int16_t> out = joined(largeChunks);
        EXPECT_EQ(joined(convertInCalls(*small, input, 2, {777, 1024, 3})), out);
        const double expected = static_cast<double>(frames) * to / from;
        EXPECT_LE(std::abs(static_cast<double>(out.size() / 2) - expected), 1.0);
    }
}

TEST(SampleRateConverter, SteadyStateConversionOnlyRecyclesBuffers) {
    // Once warm, every buffer a call takes goes back to the cache: a buffer made afresh would
    // raise the cached total when the chunk that holds it is released.
    auto manager = tamu::make<CRecordingMemoryManager>(newMemoryManager());
    for (int32_t sourceBytes : {2, 3}) {
        P<CSampleRateConverter> converter =
            makeConverter({44100, 2, sourceBytes}, {48000, 2, 2}, false, manager.get());
        const std::vector<uint8_t> input(4096 * 2 * static_cast<std::size_t>(sourceBytes), 0x11);
        for (int i = 0; i < 4; ++i)
            converter->convert(input.data(), static_cast<int32_t>(input.size()), -1);
        const uint32_t cached = manager->getCachedSize();
        for (int i = 0; i < 20; ++i) {
            P<IAudioChunk> chunk =
                converter->convert(input.data(), static_cast<int32_t>(input.size()), -1);
            EXPECT_TRUE(manager->gaveOut(chunk->getMemoryBlock().get()));
            chunk = nullptr;
            EXPECT_EQ(manager->getCachedSize(), cached) << "call " << i;
        }
        EXPECT_TRUE(manager->gaveOut(converter->flush()->getMemoryBlock().get()));
    }
}
