#include "CSoundFileReader.h"

#include "soundFileLibrary.h"
#include "soundFileTags.h"

#include <cstring>
#include <fstream>
#include <stdexcept>

namespace orxa::host {

namespace {

int32_t bytesOfSubtype(int subtype) {
    switch (subtype) {
    case SF_FORMAT_PCM_S8:
    case SF_FORMAT_PCM_U8:
        return 1;
    case SF_FORMAT_PCM_16:
        return 2;
    case SF_FORMAT_PCM_24:
        return 3;
    case SF_FORMAT_PCM_32:
        return 4;
    default:
        return 0;
    }
}

uint32_t littleEndian32(const unsigned char* at) {
    return at[0] | at[1] << 8 | at[2] << 16 | static_cast<uint32_t>(at[3]) << 24;
}

uint32_t bigEndian32(const unsigned char* at) {
    return static_cast<uint32_t>(at[0]) << 24 | at[1] << 16 | at[2] << 8 | at[3];
}

// The header's own count: a WAV's data chunk size in frames, an AIFF's numSampleFrames.
int64_t promisedFramesOf(const std::string& path, int format, int64_t frameBytes) {
    std::ifstream in(path, std::ios::binary);
    unsigned char header[12];
    if (!in.read(reinterpret_cast<char*>(header), sizeof header))
        return -1;
    bool wav = (format & SF_FORMAT_TYPEMASK) == SF_FORMAT_WAV &&
               std::memcmp(header, "RIFF", 4) == 0 && std::memcmp(header + 8, "WAVE", 4) == 0;
    bool aiff =
        (format & SF_FORMAT_TYPEMASK) == SF_FORMAT_AIFF && std::memcmp(header, "FORM", 4) == 0;
    if (!wav && !aiff)
        return -1;
    unsigned char chunk[8];
    while (in.read(reinterpret_cast<char*>(chunk), sizeof chunk)) {
        uint32_t size = wav ? littleEndian32(chunk + 4) : bigEndian32(chunk + 4);
        if (wav && std::memcmp(chunk, "data", 4) == 0)
            // A size that was never filled in (streamed output) promises nothing.
            return size == 0 || size == 0xFFFFFFFFu ? -1 : size / frameBytes;
        if (aiff && std::memcmp(chunk, "COMM", 4) == 0) {
            unsigned char comm[6];
            if (!in.read(reinterpret_cast<char*>(comm), sizeof comm))
                return -1;
            return bigEndian32(comm + 2);
        }
        in.seekg(size + (size & 1), std::ios::cur);
    }
    return -1;
}

} // namespace

CSoundFileReader::CSoundFileReader(const std::string& path) {
    SF_INFO info{};
    m_file = soundfile::api().open(path.c_str(), SFM_READ, &info);
    if (!m_file)
        throw std::runtime_error(soundfile::api().strerror(nullptr));
    m_bytesPerSample = bytesOfSubtype(info.format & SF_FORMAT_SUBMASK);
    if (m_bytesPerSample == 0) {
        soundfile::api().close(m_file);
        m_file = nullptr;
        throw std::runtime_error("not integer PCM of 8, 16, 24 or 32 bits");
    }
    m_sampleRate = info.samplerate;
    m_channels = info.channels;
    m_frames = info.frames;
    m_promisedFrames =
        promisedFramesOf(path, info.format, static_cast<int64_t>(m_channels) * m_bytesPerSample);
    if (m_channels > 0 && m_channels <= 64) {
        std::vector<int> positions(static_cast<size_t>(m_channels));
        if (soundfile::api().command(m_file, SFC_GET_CHANNEL_MAP_INFO, positions.data(),
                                     static_cast<int>(positions.size() * sizeof(int))) == SF_TRUE)
            m_positions.assign(positions.begin(), positions.end());
    }
    m_tags = readSoundFileTags(m_file);
}

CSoundFileReader::~CSoundFileReader() {
    if (m_file)
        soundfile::api().close(m_file);
}

int64_t CSoundFileReader::read(int32_t* buffer, int64_t frames) {
    sf_count_t got = soundfile::api().readfInt(m_file, buffer, frames);
    if (got == 0 && soundfile::api().error(m_file) != SF_ERR_NO_ERROR)
        throw std::runtime_error(std::string("cannot read: ") + soundfile::api().strerror(m_file));
    return got;
}

} // namespace orxa::host
