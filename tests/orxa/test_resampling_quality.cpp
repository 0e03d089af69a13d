#include "orxa/audio/IAudioChunk.h"
#include "orxa/samplerateconverter/CSampleRateConverter.h"
#include "pcmTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <vector>

using namespace orxa::samplerateconverter;
using orxa::testing::newMemoryManager;
using orxa::testing::samplesOf;
using tamu::P;

namespace {

const double minus1dBFS = 32767.0 * std::pow(10.0, -1.0 / 20.0);

// A stereo 16-bit tone, rounded to the nearest step as a recording would be.
std::vector<int16_t> stereoTone(double frequency, int32_t rate, double seconds) {
    const auto frames = static_cast<std::size_t>(seconds * rate);
    std::vector<int16_t> samples(frames * 2);
    for (std::size_t f = 0; f < frames; ++f) {
        const double phase = 2 * std::numbers::pi * frequency * static_cast<double>(f) / rate;
        samples[2 * f] = static_cast<int16_t>(std::lround(minus1dBFS * std::sin(phase)));
        samples[2 * f + 1] = static_cast<int16_t>(std::lround(minus1dBFS * std::cos(phase)));
    }
    return samples;
}

// One channel of the whole converted stream, fed in calls of 4096 frames and flushed.
std::vector<std::vector<double>> convertStereo(const std::vector<int16_t>& input, int32_t from,
                                               int32_t to) {
    P<tamu::IMemoryManager> manager = newMemoryManager();
    CSampleRateConverter converter(from, 2, 2, to, 2, 2, manager.get(), false);
    std::vector<std::vector<double>> channels(2);
    const auto take = [&](const P<orxa::audio::IAudioChunk>& chunk) {
        const std::vector<int16_t> samples = samplesOf(*chunk);
        for (std::size_t i = 0; i < samples.size(); ++i)
            channels[i % 2].push_back(samples[i]);
    };
    const auto frames = static_cast<int32_t>(input.size() / 2);
    for (int32_t at = 0; at < frames; at += 4096) {
        const int32_t n = std::min(4096, frames - at);
        take(converter.convert(input.data() + 2 * at, n * 4, -1));
    }
    take(converter.flush());
    return channels;
}

// Power of what is left after the best fit of a tone at `frequency`, relative to the fitted
// tone's power, in dB, over the samples [begin, end); `amplitude` receives the tone's.
double thdPlusNoiseDb(const std::vector<double>& x, double frequency, int32_t rate,
                      std::size_t begin, std::size_t end, double* amplitude) {
    const double w = 2 * std::numbers::pi * frequency / rate;
    double ss = 0, cc = 0, sc = 0, xs = 0, xc = 0;
    for (std::size_t n = begin; n < end; ++n) {
        const double sn = std::sin(w * n), cn = std::cos(w * n);
        ss += sn * sn, cc += cn * cn, sc += sn * cn, xs += x[n] * sn, xc += x[n] * cn;
    }
    const double det = ss * cc - sc * sc;
    const double a = (xs * cc - xc * sc) / det, b = (xc * ss - xs * sc) / det;
    double residual = 0;
    for (std::size_t n = begin; n < end; ++n) {
        const double e = x[n] - a * std::sin(w * n) - b * std::cos(w * n);
        residual += e * e;
    }
    const double tonePower = (a * a + b * b) / 2;
    *amplitude = std::sqrt(a * a + b * b);
    return 10 * std::log10(residual / static_cast<double>(end - begin) / tonePower);
}

} // namespace

// Near the top of the band a short or lazy filter either dulls the tone or smears it.
TEST(ResamplingQuality, TonesKeepTheirLevelAndPurityBothWays) {
    for (double frequency : {1000.0, 18000.0})
        for (auto [from, to] : {std::pair{44100, 48000}, std::pair{48000, 44100}}) {
            const std::string name = std::to_string(static_cast<int>(frequency)) + "Hz_" +
                                     std::to_string(from) + "_" + std::to_string(to);
            SCOPED_TRACE(name);
            const auto channels = convertStereo(stereoTone(frequency, from, 1.0), from, to);
            // Leave out the onset and the end, where the tone starts and stops abruptly.
            const std::size_t margin = static_cast<std::size_t>(to) / 10;
            for (std::size_t c = 0; c < channels.size(); ++c) {
                ASSERT_GT(channels[c].size(), 4 * margin);
                double amplitude = 0;
                const double db = thdPlusNoiseDb(channels[c], frequency, to, margin,
                                                 channels[c].size() - margin, &amplitude);
                EXPECT_LE(db, -90.0);
                EXPECT_NEAR(20 * std::log10(amplitude / minus1dBFS), 0.0, 0.05);
                RecordProperty("thd_plus_n_db_" + name + "_" + std::to_string(c),
                               std::to_string(db));
            }
        }
}

TEST(ResamplingQuality, ToneAboveTheNewBandDoesNotAlias) {
    const auto channels = convertStereo(stereoTone(22000.0, 48000, 2.0), 48000, 44100);
    const std::size_t margin = 44100 / 10;
    const double tonePower = minus1dBFS * minus1dBFS / 2;
    for (const std::vector<double>& channel : channels) {
        ASSERT_GT(channel.size(), 4 * margin);
        double power = 0;
        for (std::size_t n = margin; n < channel.size() - margin; ++n)
            power += channel[n] * channel[n];
        power /= static_cast<double>(channel.size() - 2 * margin);
        // All silent would be minus infinity; compare the power itself to stay clear of log(0).
        EXPECT_LE(power, tonePower * 1e-9) << 10 * std::log10(power / tonePower) << " dB";
        RecordProperty("level_db", std::to_string(10 * std::log10(power / tonePower)));
    }
}

// A 24-bit file converted stays 24-bit: the tone's residue sits near the 24-bit floor, not the
// 16-bit one, and the low byte of the output carries signal.
TEST(ResamplingQuality, TwentyFourBitAudioKeepsItsResolution) {
    const int32_t from = 44100, to = 48000;
    const double full = 8388607.0 * std::pow(10.0, -1.0 / 20.0);
    const auto frames = static_cast<std::size_t>(from);
    std::vector<uint8_t> input(frames * 3);
    for (std::size_t f = 0; f < frames; ++f) {
        const double phase = 2 * std::numbers::pi * 1000.0 * static_cast<double>(f) / from;
        const auto v =
            static_cast<uint32_t>(static_cast<int32_t>(std::lround(full * std::sin(phase))));
        for (int b = 0; b < 3; ++b)
            input[3 * f + static_cast<std::size_t>(b)] = static_cast<uint8_t>(v >> (8 * b));
    }
    P<tamu::IMemoryManager> manager = newMemoryManager();
    CSampleRateConverter converter(from, 1, 3, to, 1, 3, manager.get(), false);
    std::vector<double> out;
    std::vector<int> lowBytes(256, 0);
    const auto take = [&](const P<orxa::audio::IAudioChunk>& chunk) {
        const uint8_t* p = chunk->getData();
        for (int32_t i = 0; i + 3 <= chunk->getSize(); i += 3) {
            const auto bits = static_cast<uint32_t>(p[i]) << 8 |
                              static_cast<uint32_t>(p[i + 1]) << 16 |
                              static_cast<uint32_t>(p[i + 2]) << 24;
            out.push_back(static_cast<int32_t>(bits) >> 8);
            ++lowBytes[p[i]];
        }
    };
    for (std::size_t at = 0; at < frames; at += 4096) {
        const auto n = static_cast<int32_t>(std::min<std::size_t>(4096, frames - at));
        take(converter.convert(input.data() + 3 * at, n * 3, -1));
    }
    take(converter.flush());
    const std::size_t margin = to / 10;
    ASSERT_GT(out.size(), 4 * margin);
    double amplitude = 0;
    const double db = thdPlusNoiseDb(out, 1000.0, to, margin, out.size() - margin, &amplitude);
    EXPECT_LE(db, -120.0);
    EXPECT_NEAR(20 * std::log10(amplitude / full), 0.0, 0.05);
    RecordProperty("thd_plus_n_db_24bit_44100_48000", std::to_string(db));
    // Truncation to 16 bits would leave every low byte at one value; a 1 kHz tone at 48 kHz
    // repeats every 48 samples, which still gives well over a hundred.
    EXPECT_GT(std::count_if(lowBytes.begin(), lowBytes.end(), [](int n) { return n > 0; }), 100);
}
