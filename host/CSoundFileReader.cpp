#include "CSoundFileReader.h"

#include "riffChunks.h"
#include "soundFileLibrary.h"
#include "soundFileTags.h"
#include "systemReason.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
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

// The file as libsndfile gets to read it: each damaged LIST chunk shows the id "JUNK", which
// every reader skips by its size, so the audio around it still reads.
class CSoundFileReader::CPatchedFile {
public:
    CPatchedFile(const std::string& path, std::vector<int64_t> junk) : m_junk(std::move(junk)) {
        m_fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
        if (m_fd < 0)
            throw std::runtime_error(systemReason(errno));
        m_length = ::lseek(m_fd, 0, SEEK_END);
    }
    CPatchedFile(const CPatchedFile&) = delete;
    CPatchedFile& operator=(const CPatchedFile&) = delete;
    ~CPatchedFile() { ::close(m_fd); }

    SNDFILE* open(SF_INFO& info) {
        static SF_VIRTUAL_IO io = {
            [](void* self) -> sf_count_t { return static_cast<CPatchedFile*>(self)->m_length; },
            [](sf_count_t offset, int whence, void* self) {
                return static_cast<CPatchedFile*>(self)->seek(offset, whence);
            },
            [](void* buffer, sf_count_t count, void* self) {
                return static_cast<CPatchedFile*>(self)->read(buffer, count);
            },
            [](const void*, sf_count_t, void*) -> sf_count_t { return 0; },
            [](void* self) -> sf_count_t { return static_cast<CPatchedFile*>(self)->m_at; },
        };
        return soundfile::api().openVirtual(&io, SFM_READ, &info, this);
    }

private:
    sf_count_t seek(sf_count_t offset, int whence) {
        const sf_count_t base = whence == SEEK_CUR ? m_at : whence == SEEK_END ? m_length : 0;
        if (base + offset < 0)
            return -1;
        m_at = base + offset;
        return m_at;
    }

    sf_count_t read(void* buffer, sf_count_t count) {
        ssize_t got;
        do
            got = ::pread(m_fd, buffer, static_cast<size_t>(count), m_at);
        while (got < 0 && errno == EINTR);
        if (got <= 0)
            return 0;
        auto* bytes = static_cast<char*>(buffer);
        for (int64_t id : m_junk)
            for (int64_t i = std::max(id, m_at); i < std::min<int64_t>(id + 4, m_at + got); ++i)
                bytes[i - m_at] = "JUNK"[i - id];
        m_at += got;
        return got;
    }

    int m_fd = -1;
    sf_count_t m_length = 0;
    sf_count_t m_at = 0;
    std::vector<int64_t> m_junk;
};

CSoundFileReader::CSoundFileReader(const std::string& path) {
    SF_INFO info{};
    std::vector<int64_t> damaged = riffChunks::damagedListChunks(path);
    if (damaged.empty()) {
        m_file = soundfile::api().open(path.c_str(), SFM_READ, &info);
    } else {
        m_damage = "the LIST chunk at byte " + std::to_string(damaged.front()) +
                   (damaged.size() > 1 ? " (and " + std::to_string(damaged.size() - 1) + " more)"
                                       : std::string()) +
                   " is damaged (a part of it runs past its end): its tags are left out";
        m_patched = std::make_unique<CPatchedFile>(path, std::move(damaged));
        m_file = m_patched->open(info);
    }
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
    m_promisedFrames = riffChunks::promisedFrames(
        path, info.format & SF_FORMAT_TYPEMASK, static_cast<int64_t>(m_channels) * m_bytesPerSample);
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
