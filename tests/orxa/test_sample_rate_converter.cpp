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
        // Every pair of FLAC's counts converts; only counts beyond them have no rule.
        {{44100, 9, 2}, {44100, 2, 2}, "no suitable ChannelConversion found for 9 -> 2"},
        {{48000, 2, 2}, {44100, 9, 2}, "no suitable ChannelConversion found for 2 -> 9"},
    };
    const int16_t frame[18] = {};
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

// The sample that `encode` wrote, left-justified into 32 bits.
int64_t wideValueOf(int16_t v, int32_t bytes) {
    if (bytes == 1)
        return static_cast<int64_t>(v >> 8) << 24;
    int64_t wide = static_cast<int64_t>(v) << 16;
    for (int32_t i = 2; i < bytes; ++i)
        wide |= static_cast<int64_t>(0x5A + i) << (8 * (4 - bytes + i - 2));
    return wide;
}

// A left-justified 32-bit value rounded to `bytes` bytes: half a step rounds up, and the top of
// the range stays at the largest value.
void expectRounded(std::vector<uint8_t>& out, int64_t wide, int32_t bytes) {
    const int shift = 32 - 8 * bytes;
    int64_t v = shift > 0 ? (wide + (int64_t{1} << (shift - 1))) >> shift : wide;
    v = std::min<int64_t>(v, (int64_t{1} << (8 * bytes - 1)) - 1);
    if (bytes == 1)
        v += 128;
    for (int32_t i = 0; i < bytes; ++i)
        out.push_back(static_cast<uint8_t>(static_cast<uint64_t>(v) >> (8 * i)));
}

// Up to 16 bits on both sides the samples go through 16 bits with the 8-bit scale of the
// framework; a wider side takes them through 32 bits, so no bit of either side is lost.
TEST(SampleRateConverter, PacksEverySourceSizeToEveryTargetSize) {
    const std::vector<int16_t> values = {-32768, -32767, -257, -256, -1,   0,     1,
                                         127,    128,    255,  256,  4660, 12345, 32767};
    for (int32_t sourceBytes = 1; sourceBytes <= 4; ++sourceBytes)
        for (int32_t targetBytes = 1; targetBytes <= 4; ++targetBytes)
            for (bool planar : {false, true}) {
                SCOPED_TRACE(std::to_string(sourceBytes) + " -> " + std::to_string(targetBytes) +
                             (planar ? " planar" : " interleaved"));
                const bool wide = sourceBytes > 2 || targetBytes > 2;
                // Left runs up the list, right runs down it; 8-bit sources keep the high byte.
                const std::size_t n = values.size();
                const auto expect = [&](std::vector<uint8_t>& out, bool right, std::size_t j) {
                    const int16_t v = values[right ? n - 1 - j : j];
                    if (wide)
                        return expectRounded(out, wideValueOf(v, sourceBytes), targetBytes);
                    expectPacked(out, sourceBytes == 1 ? static_cast<int16_t>((v >> 8) * 256) : v,
                                 targetBytes);
                };
                std::vector<uint8_t> input, expected;
                for (std::size_t i = 0; i < 2 * n; ++i) {
                    encode(input, values[i % 2 ? n - 1 - i / 2 : i / 2], sourceBytes);
                    if (planar)
                        expect(expected, i >= n, i % n);
                    else
                        expect(expected, i % 2, i / 2);
                }
                P<CSampleRateConverter> converter =
                    makeConverter({22050, 2, sourceBytes}, {22050, 2, targetBytes}, planar);
                EXPECT_EQ(converter->isWide(), wide);
                P<IAudioChunk> chunk =
                    converter->convert(input.data(), static_cast<int32_t>(input.size()), -1);
                EXPECT_EQ(bytesOf(*chunk), expected);
            }

    // Rounding at the edges of the range: the largest 32-bit value would round past the largest
    // 24-bit one, half a step rounds away from the lower value, the most negative stays.
    const uint8_t edges[] = {0xFF, 0xFF, 0xFF, 0x7F, 0x00, 0x00, 0x00, 0x80,
                             0x7F, 0x01, 0x00, 0x00, 0x80, 0x01, 0x00, 0x00};
    P<CSampleRateConverter> to24 = makeConverter({8000, 1, 4}, {8000, 1, 3});
    EXPECT_EQ(bytesOf(*to24->convert(edges, sizeof edges, -1)),
              (std::vector<uint8_t>{0xFF, 0xFF, 0x7F, 0x00, 0x00, 0x80, 0x01, 0x00, 0x00, 0x02,
                                    0x00, 0x00}));
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

// After a reset nothing of the earlier stream reaches the output: a converter that held history
// and pending input converts like a new one, 16-bit and 32-bit alike, stamped from the new time.
TEST(SampleRateConverter, ResetStartsAFreshStreamAtItsTime) {
    for (int32_t bytes : {2, 3}) {
        SCOPED_TRACE(bytes);
        const std::vector<int16_t> before = programme(9000, 2, 44100);
        const std::vector<int16_t> after = programme(7000, 2, 44100);
        // 16-bit samples serve as 3-byte ones too: the content does not matter, only that the
        // two converters see the same.
        const int32_t size = static_cast<int32_t>(after.size() * 2) / (2 * bytes) * (2 * bytes);
        P<CSampleRateConverter> used = makeConverter({44100, 2, bytes}, {48000, 2, bytes});
        used->convert(before.data(),
                      static_cast<int32_t>(before.size() * 2) / (2 * bytes) * (2 * bytes), -1);
        used->reset(12.5);
        P<IAudioChunk> first = used->convert(after.data(), size, -1);
        EXPECT_EQ(first->getTime(), 12.5);
        P<IAudioChunk> rest = used->flush();
        EXPECT_EQ(rest->getTime(), 12.5 + first->getSize() / (2.0 * bytes) / 48000);

        P<CSampleRateConverter> fresh = makeConverter({44100, 2, bytes}, {48000, 2, bytes});
        P<IAudioChunk> freshFirst = fresh->convert(after.data(), size, -1);
        P<IAudioChunk> freshRest = fresh->flush();
        EXPECT_EQ(bytesOf(*first), bytesOf(*freshFirst));
        EXPECT_EQ(bytesOf(*rest), bytesOf(*freshRest));
    }
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

// Large calls hold more input than one call may turn into output, so input is carried over, but
// never more than about what two calls bring; either way the flushed stream has its full length.
// Two converters agreeing to the byte also shows the output owes nothing to chance (dither).
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
        // After call i the output has caught up with all but two calls' input at the ratio,
        // less the filter's delay.
        const double ratio = static_cast<double>(to) / from;
        double given = 0;
        for (std::size_t i = 0; i + 1 < largeChunks.size(); ++i) {
            given += largeChunks[i]->getSize() / 4;
            const double taken = std::min<double>(frames, 125000.0 * (i + 1));
            EXPECT_GE(given, (taken - 2 * 130000) * ratio - 10000) << "call " << i;
        }
        const std::vector<int16_t> out = joined(largeChunks);
        EXPECT_EQ(joined(convertInCalls(*small, input, 2, {777, 1024, 3})), out);
        const double expected = static_cast<double>(frames) * to / from;
        EXPECT_LE(std::abs(static_cast<double>(out.size() / 2) - expected), 1.0);
    }
}

// The largest ratio FLAC's rates allow, one FLAC frame per call as a source makes them: each
// call yields more than one call's limit, and still the stream comes out whole, to the end.
TEST(SampleRateConverter, ExtremeRatiosConvertToTheEnd) {
    const int32_t frames = 5 * 8000 + 77;
    for (int32_t sourceBytes : {2, 3}) {
        SCOPED_TRACE(sourceBytes);
        std::vector<uint8_t> input(static_cast<std::size_t>(frames * sourceBytes), 0);
        for (int32_t i = 0; i < frames; ++i)
            input[static_cast<std::size_t>(i * sourceBytes + sourceBytes - 1)] =
                static_cast<uint8_t>(static_cast<int8_t>(40 * std::sin(i * 0.05)));
        P<CSampleRateConverter> up = makeConverter({8000, 1, sourceBytes}, {384000, 1, 2});
        P<CSampleRateConverter> down = makeConverter({384000, 1, 2}, {8000, 1, sourceBytes});
        int64_t upFrames = 0;
        int64_t downFrames = 0;
        int32_t largest = 0;
        const auto pass = [&](const P<IAudioChunk>& chunk) {
            upFrames += chunk->getSize() / 2;
            largest = std::max(largest, chunk->getSize() / 2);
            P<IAudioChunk> back = down->convert(chunk->getData(), chunk->getSize(), -1);
            downFrames += back->getSize() / sourceBytes;
        };
        for (int32_t at = 0; at < frames; at += 4096) {
            const int32_t n = std::min(4096, frames - at);
            pass(up->convert(input.data() + at * sourceBytes, n * sourceBytes, -1));
        }
        pass(up->flush());
        downFrames += down->flush()->getSize() / sourceBytes;
        EXPECT_GT(largest, CSampleRateConverter::maxOutputSamples);
        EXPECT_LE(std::abs(static_cast<double>(upFrames) - frames * 48.0), 48.0);
        EXPECT_LE(std::abs(static_cast<double>(downFrames) - frames), 2.0);
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
