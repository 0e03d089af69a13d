#pragma once

// Reference files made at test time with the flac command-line tools, and a host that drives
// the plug-in's FLAC workers the way a framework application does.

#include "TestHost.h"
#include "toolRunner.h"

#include "orxa/audio/CAudioChunk.h"
#include "orxa/audio/IAudioChunk.h"
#include "orxa/common/COrxaEOFError.h"
#include "orxa/common/COrxaError.h"
#include "orxa/common/IAudioFormat.h"
#include "orxa/common/IAudioSource.h"
#include "orxa/common/workerOptions.h"
#include "tamu/CMemoryManager.h"
#include "tamu/IMemoryBlock.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

namespace flactest {

using Bytes = std::vector<uint8_t>;

inline Bytes readBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void writeBytes(const std::string& path, const Bytes& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
}

inline void putLE(Bytes& out, uint64_t value, int bytes) {
    for (int i = 0; i < bytes; ++i)
        out.push_back(static_cast<uint8_t>(value >> (8 * i)));
}

// Deterministic PCM as this system lays it out: a sine per channel (a different pitch each)
// plus a little noise, left-justified in whole bytes, 8-bit unsigned.
inline Bytes sinePcm(int rate, int channels, int bits, int frames) {
    const int container = (bits + 7) / 8;
    Bytes pcm;
    uint32_t noise = 12345;
    const double peak = std::ldexp(1.0, bits - 1) - 1.0;
    for (int i = 0; i < frames; ++i)
        for (int c = 0; c < channels; ++c) {
            noise = noise * 1664525u + 1013904223u;
            double wave = 0.7 * std::sin(2.0 * M_PI * (220.0 * (c + 1)) * i / rate) +
                          0.05 * (static_cast<double>(noise >> 8) / (1 << 24) - 0.5);
            auto sample = static_cast<int64_t>(std::lround(wave * peak));
            sample *= int64_t{1} << (8 * container - bits);
            putLE(pcm, static_cast<uint64_t>(bits == 8 ? sample + 128 : sample), container);
        }
    return pcm;
}

// A WAVE_FORMAT_EXTENSIBLE file whose valid-bits field may be narrower than its container,
// which is how 12- and 20-bit audio reaches the flac encoder (sox cannot write it).
inline void writeExtensibleWav(const std::string& path, int rate, int channels, int validBits,
                               int frames) {
    const int container = (validBits + 7) / 8;
    const Bytes data = sinePcm(rate, channels, validBits, frames);
    Bytes file;
    auto tag = [&](const char* text) { file.insert(file.end(), text, text + 4); };
    tag("RIFF");
    putLE(file, 4 + 8 + 40 + 8 + data.size(), 4);
    tag("WAVE");
    tag("fmt ");
    putLE(file, 40, 4);
    putLE(file, 0xFFFE, 2);
    putLE(file, static_cast<uint64_t>(channels), 2);
    putLE(file, static_cast<uint64_t>(rate), 4);
    putLE(file, static_cast<uint64_t>(rate * channels * container), 4);
    putLE(file, static_cast<uint64_t>(channels * container), 2);
    putLE(file, static_cast<uint64_t>(8 * container), 2);
    putLE(file, 22, 2);
    putLE(file, static_cast<uint64_t>(validBits), 2);
    putLE(file, 0, 4); // no speaker positions
    // KSDATAFORMAT_SUBTYPE_PCM
    const uint8_t pcm[16] = {1, 0, 0, 0, 0, 0, 0x10, 0, 0x80, 0, 0, 0xAA, 0, 0x38, 0x9B, 0x71};
    file.insert(file.end(), pcm, pcm + 16);
    tag("data");
    putLE(file, data.size(), 4);
    file.insert(file.end(), data.begin(), data.end());
    writeBytes(path, file);
}

// The sample bytes of a WAV file's data chunk.
inline Bytes wavData(const Bytes& file) {
    size_t at = 12;
    while (at + 8 <= file.size()) {
        uint32_t size = file[at + 4] | (file[at + 5] << 8) | (file[at + 6] << 16) |
                        (static_cast<uint32_t>(file[at + 7]) << 24);
        if (std::equal(file.begin() + static_cast<std::ptrdiff_t>(at),
                       file.begin() + static_cast<std::ptrdiff_t>(at) + 4, "data"))
            return Bytes(file.begin() + static_cast<std::ptrdiff_t>(at) + 8,
                         file.begin() + static_cast<std::ptrdiff_t>(
                                            std::min<size_t>(at + 8 + size, file.size())));
        at += 8 + size + (size & 1);
    }
    return {};
}

// The file descriptors the process has open now.
inline int openDescriptors() {
    int count = 0;
    for (const auto& entry : std::filesystem::directory_iterator("/proc/self/fd")) {
        (void)entry;
        ++count;
    }
    return count;
}

// The layout a host asks a worker for.
struct PcmLayout {
    int rate;
    int channels;
    int bytes;
};

inline std::string layoutName(const PcmLayout& layout) {
    return std::to_string(layout.rate) + "Hz_" + std::to_string(layout.channels) + "ch_" +
           std::to_string(layout.bytes) + "bytes";
}

struct Decoded {
    Bytes pcm;
    std::vector<int32_t> chunkSizes;
    std::vector<double> chunkTimes;
};

// A folder of its own per test, a recording host and the loaded plug-in.
class FlacTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_log = tamu::make<testhost::CTestHostLog>();
        m_memory = tamu::make<tamu::CMemoryManager>(30);
        m_host = tamu::make<testhost::CTestPluginHost>(m_log, m_memory);
        m_plugin = testhost::PluginLibrary::shared().create(m_host.get());
        ASSERT_TRUE(m_plugin);
    }

    std::string pathOf(const std::string& name) const { return (m_dir / name).string(); }

    // Runs a command that must succeed; what it printed.
    std::string check(const std::string& command) const {
        toolrunner::Result result = m_dir.run(command);
        EXPECT_EQ(result.status, 0) << command << "\n" << result.err;
        return result.out;
    }

    std::string wavFile(const std::string& name, int rate, int channels, int bits,
                        double seconds) const {
        writeExtensibleWav(pathOf(name), rate, channels, bits, static_cast<int>(rate * seconds));
        return pathOf(name);
    }

    std::string encodeWithFlac(const std::string& wav, const std::string& name,
                               const std::string& options) const {
        check("flac -s -f --lax --channel-map=none " + options + " -o " + pathOf(name) + " " + wav);
        return pathOf(name);
    }

    // flac's own decoding: the samples of the WAV file it writes, all channels.
    Bytes flacDecoded(const std::string& flacPath) const {
        std::string wav = flacPath + ".decoded.wav";
        check("flac -s -d -f -o " + wav + " " + flacPath);
        return wavData(readBytes(wav));
    }

    int64_t metaflacNumber(const std::string& flacPath, const char* what) const {
        std::string text = check(std::string("metaflac --show-") + what + " " + flacPath);
        return text.empty() ? -1 : std::stoll(text);
    }

    template <class Options>
    static Options layout(int rate, int channels, int bytes) {
        Options options{};
        options.size = sizeof options;
        options.sampleRate = rate;
        options.channels = channels;
        options.bytesPerSample = bytes;
        return options;
    }

    tamu::P<orxa::common::IAudioSource> source(const std::string& path, int rate, int channels,
                                               int bytes) const {
        auto options = layout<orxa::common::SourceOptions>(rate, channels, bytes);
        tamu::P<orxa::common::ISource> created = m_plugin->createSource(
            tamu::stringConv::fromStd(path), orxa::common::sourceKind, 0, &options);
        EXPECT_TRUE(created);
        return tamu::interfaceCast<orxa::common::IAudioSource>(created);
    }

    tamu::P<orxa::common::IAudioFormat> format(const std::string& path, int rate, int channels,
                                               int bytes) const {
        auto options = layout<orxa::common::FormatOptions>(rate, channels, bytes);
        tamu::P<orxa::common::IFormat> created = m_plugin->createFormat(
            tamu::stringConv::fromStd(path), orxa::common::formatKind, 0, &options);
        EXPECT_TRUE(created);
        return tamu::interfaceCast<orxa::common::IAudioFormat>(created);
    }

    tamu::P<orxa::audio::IAudioChunk> chunkOf(const uint8_t* data, size_t size) const {
        tamu::P<tamu::IMemoryBlock> block = m_memory->allocate(static_cast<int32_t>(size));
        std::copy(data, data + size, block->getData());
        return tamu::make<orxa::audio::CAudioChunk>(0.0, block.get());
    }

    // Every chunk up to the empty pointer that marks the end.
    static Decoded decodeAll(orxa::common::IAudioSource& source) {
        Decoded decoded;
        for (int guard = 0; guard < 1000000; ++guard) {
            tamu::P<orxa::audio::IAudioChunk> chunk = source.getNextAudioChunk();
            if (!chunk)
                break;
            decoded.chunkSizes.push_back(chunk->getSize());
            decoded.chunkTimes.push_back(chunk->getTime());
            decoded.pcm.insert(decoded.pcm.end(), chunk->getData(),
                               chunk->getData() + chunk->getSize());
        }
        return decoded;
    }

    int countLines(int32_t level, const std::string& part) const {
        int count = 0;
        for (const testhost::LogLine& line : m_log->lines())
            if (line.level == level && line.text.find(part) != std::string::npos)
                ++count;
        return count;
    }

    toolrunner::ScratchDir m_dir;
    tamu::P<testhost::CTestHostLog> m_log;
    tamu::P<tamu::IMemoryManager> m_memory;
    tamu::P<testhost::CTestPluginHost> m_host;
    tamu::P<orxa::common::IOrxaPlugin> m_plugin;
};

} // namespace flactest
