#include "CSoundFileReader.h"

#include <sndfile.h>

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

} // namespace

CSoundFileReader::CSoundFileReader(const std::string& path) {
    SF_INFO info{};
    m_file = sf_open(path.c_str(), SFM_READ, &info);
    if (!m_file)
        throw std::runtime_error(sf_strerror(nullptr));
    m_bytesPerSample = bytesOfSubtype(info.format & SF_FORMAT_SUBMASK);
    if (m_bytesPerSample == 0) {
        sf_close(m_file);
        m_file = nullptr;
        throw std::runtime_error("not integer PCM of 8, 16, 24 or 32 bits");
    }
    m_sampleRate = info.samplerate;
    m_channels = info.channels;
    m_frames = info.frames;
}

CSoundFileReader::~CSoundFileReader() {
    if (m_file)
        sf_close(m_file);
}

int64_t CSoundFileReader::read(int32_t* buffer, int64_t frames) {
    sf_count_t got = sf_readf_int(m_file, buffer, frames);
    if (got == 0 && sf_error(m_file) != SF_ERR_NO_ERROR)
        throw std::runtime_error(std::string("cannot read: ") + sf_strerror(m_file));
    return got;
}

} // namespace orxa::host
