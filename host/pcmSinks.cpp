#include "pcmSinks.h"

#include "channelLayout.h"
#include "interruption.h"
#include "pcmPacking.h"
#include "soundFileLibrary.h"
#include "soundFileTags.h"
#include "systemReason.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <stdexcept>
#include <vector>

namespace orxa::host {

namespace {

bool endsWith(const std::string& text, const char* suffix) {
    size_t n = std::strlen(suffix);
    return text.size() > n && strncasecmp(text.c_str() + text.size() - n, suffix, n) == 0;
}

class CRawSink : public CPcmSink {
public:
    explicit CRawSink(int fd) : m_fd(fd) {}

    void write(const uint8_t* data, size_t bytes) override {
        while (bytes > 0) {
            ssize_t written = ::write(m_fd, data, bytes);
            if (written < 0) {
                // A signal ends a write blocked on a full pipe; the job then ends with it.
                if (errno == EINTR) {
                    interruption::check();
                    continue;
                }
                throw std::runtime_error("cannot write the output: " + systemReason(errno));
            }
            data += written;
            bytes -= static_cast<size_t>(written);
        }
    }
    void finish() override {}

private:
    int m_fd;
};

// More than two channels or more than 16 bits need WAVE_FORMAT_EXTENSIBLE: its channel mask
// tells players the positions, and readers that follow the format refuse such audio without it.
bool needsExtensible(int32_t channels, int32_t bytesPerSample) {
    return channels > 2 || bytesPerSample > 2;
}

// WAV into a pipe, which libsndfile cannot write (it seeks back to fill in the sizes): as flac
// does, the header is written first with the length the stream promises.
class CWavStreamSink : public CRawSink {
public:
    CWavStreamSink(int fd, int32_t sampleRate, int32_t channels, int32_t bytesPerSample,
                   int64_t frames)
        : CRawSink(fd) {
        const bool extensible = needsExtensible(channels, bytesPerSample);
        const uint32_t formatSize = extensible ? 40 : 16;
        const uint32_t headerSize = 20 + formatSize + 8;
        uint32_t blockAlign = static_cast<uint32_t>(channels * bytesPerSample);
        int64_t bytes = frames * blockAlign;
        // An unknown or oversized length is told as the largest, as streaming tools do.
        const int64_t largest = 0xFFFFFFFFll - (headerSize - 8);
        uint32_t dataSize = frames > 0 && bytes <= largest ? static_cast<uint32_t>(bytes)
                                                           : static_cast<uint32_t>(largest);
        uint8_t header[68] = {};
        auto put = [&](uint32_t at, uint32_t value, int size) {
            for (int i = 0; i < size; ++i)
                header[at + static_cast<uint32_t>(i)] = static_cast<uint8_t>(value >> (8 * i));
        };
        std::memcpy(header, "RIFF", 4);
        put(4, dataSize + headerSize - 8, 4);
        std::memcpy(header + 8, "WAVEfmt ", 8);
        put(16, formatSize, 4);
        put(20, extensible ? 0xFFFE : 1, 2); // integer PCM
        put(22, static_cast<uint32_t>(channels), 2);
        put(24, static_cast<uint32_t>(sampleRate), 4);
        put(28, static_cast<uint32_t>(sampleRate) * blockAlign, 4);
        put(32, blockAlign, 2);
        put(34, static_cast<uint32_t>(bytesPerSample * 8), 2);
        if (extensible) {
            put(36, 22, 2);
            put(38, static_cast<uint32_t>(bytesPerSample * 8), 2);
            put(40, channelLayout::waveMaskOf(channels), 4);
            // KSDATAFORMAT_SUBTYPE_PCM
            static const uint8_t pcm[16] = {0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x10, 0x00,
                                            0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};
            std::memcpy(header + 44, pcm, sizeof pcm);
        }
        std::memcpy(header + 20 + formatSize, "data", 4);
        put(24 + formatSize, dataSize, 4);
        write(header, headerSize);
    }
};

class CSoundFileSink : public CPcmSink {
public:
    CSoundFileSink(OutputKind kind, int fd, int32_t sampleRate, int32_t channels,
                   int32_t bytesPerSample, const std::vector<std::string>& tags)
        : m_channels(channels), m_bytesPerSample(bytesPerSample) {
        SF_INFO info{};
        info.samplerate = sampleRate;
        info.channels = channels;
        const bool extensible =
            kind == OutputKind::wav && needsExtensible(channels, bytesPerSample);
        info.format = (kind == OutputKind::wav ? (extensible ? SF_FORMAT_WAVEX : SF_FORMAT_WAV)
                                               : SF_FORMAT_AIFF) |
                      subtypeFor(kind, bytesPerSample);
        m_file = soundfile::api().openFd(fd, SFM_WRITE, &info, SF_FALSE);
        if (!m_file)
            throw std::runtime_error(std::string("cannot write the output: ") +
                                     soundfile::api().strerror(nullptr));
        if (extensible) {
            // libsndfile turns the positions into the WAVE channel mask.
            std::vector<int> positions = channelLayout::positionsOf(channels);
            if (!positions.empty())
                soundfile::api().command(m_file, SFC_SET_CHANNEL_MAP_INFO, positions.data(),
                                         static_cast<int>(positions.size() * sizeof(int)));
        }
        writeSoundFileTags(m_file, tags);
    }
    ~CSoundFileSink() override {
        if (m_file)
            soundfile::api().close(m_file);
    }

    void write(const uint8_t* data, size_t bytes) override {
        size_t samples = bytes / static_cast<size_t>(m_bytesPerSample);
        if (m_buffer.size() < samples)
            m_buffer.resize(samples);
        pcm::toInt32(data, samples, m_bytesPerSample, m_buffer.data());
        sf_count_t frames = static_cast<sf_count_t>(samples / static_cast<size_t>(m_channels));
        if (soundfile::api().writefInt(m_file, m_buffer.data(), frames) != frames)
            throw std::runtime_error(std::string("cannot write the output: ") +
                                     soundfile::api().strerror(m_file));
    }

    void finish() override {
        SNDFILE* file = m_file;
        m_file = nullptr;
        if (soundfile::api().close(file) != 0)
            throw std::runtime_error("cannot write the output: the sound file was not completed");
    }

private:
    static int subtypeFor(OutputKind kind, int32_t bytesPerSample) {
        switch (bytesPerSample) {
        // 8-bit WAV is unsigned, 8-bit AIFF signed; libsndfile converts from its int scale.
        case 1:
            return kind == OutputKind::wav ? SF_FORMAT_PCM_U8 : SF_FORMAT_PCM_S8;
        case 2:
            return SF_FORMAT_PCM_16;
        case 3:
            return SF_FORMAT_PCM_24;
        case 4:
            return SF_FORMAT_PCM_32;
        default:
            throw std::runtime_error(std::to_string(bytesPerSample) +
                                     " bytes per sample cannot be written to a sound file");
        }
    }

    SNDFILE* m_file = nullptr;
    int32_t m_channels;
    int32_t m_bytesPerSample;
    std::vector<int32_t> m_buffer;
};

} // namespace

OutputKind outputKindOf(const std::string& path) {
    if (endsWith(path, ".wav"))
        return OutputKind::wav;
    if (endsWith(path, ".aiff") || endsWith(path, ".aif"))
        return OutputKind::aiff;
    if (endsWith(path, ".raw"))
        return OutputKind::raw;
    return OutputKind::unknown;
}

std::unique_ptr<CPcmSink> makePcmSink(OutputKind kind, int fd, int32_t sampleRate, int32_t channels,
                                      int32_t bytesPerSample, int64_t frames,
                                      const std::vector<std::string>& tags) {
    bool seekable = ::lseek(fd, 0, SEEK_CUR) >= 0;
    if (kind == OutputKind::wav && !seekable)
        return std::make_unique<CWavStreamSink>(fd, sampleRate, channels, bytesPerSample, frames);
    if (kind == OutputKind::aiff && !seekable)
        throw std::runtime_error("AIFF cannot be written into a pipe; use -t wav or -t raw");
    if (kind == OutputKind::wav || kind == OutputKind::aiff)
        return std::make_unique<CSoundFileSink>(kind, fd, sampleRate, channels, bytesPerSample,
                                                tags);
    return std::make_unique<CRawSink>(fd);
}

} // namespace orxa::host
