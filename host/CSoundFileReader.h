#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

typedef struct sf_private_tag SNDFILE;

namespace orxa::host {

// Any file libsndfile reads whose samples are integers of 8 to 32 bits.
class CSoundFileReader {
public:
    // Throws std::runtime_error: unreadable, not a sound file, or not integer PCM.
    explicit CSoundFileReader(const std::string& path);
    CSoundFileReader(const CSoundFileReader&) = delete;
    CSoundFileReader& operator=(const CSoundFileReader&) = delete;
    ~CSoundFileReader();

    int32_t getSampleRate() const { return m_sampleRate; }
    int32_t getChannels() const { return m_channels; }
    int32_t getBytesPerSample() const { return m_bytesPerSample; }
    int64_t getFrames() const { return m_frames; }
    // The frames the file's header says it holds, or -1 when it does not say (a WAV written to
    // a pipe, a format without such a field). libsndfile itself counts only the frames present.
    int64_t getPromisedFrames() const { return m_promisedFrames; }
    // The position of each channel (SF_CHANNEL_MAP_*), as the file's header names them (a WAVE
    // channel mask, an AIFF channel chunk); empty when it does not.
    const std::vector<int32_t>& getChannelPositions() const { return m_positions; }
    // The file's title, artist, ... as Vorbis comments ("TITLE=...").
    const std::vector<std::string>& getTags() const { return m_tags; }

    // What of the file was left out to read the rest, for a warning; empty when nothing was.
    const std::string& getDamage() const { return m_damage; }

    // Up to `frames` frames, each sample left-aligned in 32 bits; 0 at the end.
    int64_t read(int32_t* buffer, int64_t frames);

private:
    class CPatchedFile;

    // Kept open as long as libsndfile reads through it.
    std::unique_ptr<CPatchedFile> m_patched;
    SNDFILE* m_file = nullptr;
    int32_t m_sampleRate = 0;
    int32_t m_channels = 0;
    int32_t m_bytesPerSample = 0;
    int64_t m_frames = 0;
    int64_t m_promisedFrames = -1;
    std::vector<int32_t> m_positions;
    std::vector<std::string> m_tags;
    std::string m_damage;
};

} // namespace orxa::host
