#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace orxa::host {

enum class OutputKind { wav, aiff, raw, unknown };

// By the name's ending.
OutputKind outputKindOf(const std::string& path);

// Where decoded chunks go: their bytes as they come, or a sound file.
class CPcmSink {
public:
    virtual ~CPcmSink() = default;
    // Whole frames of interleaved little-endian samples. Throws std::runtime_error.
    virtual void write(const uint8_t* data, size_t bytes) = 0;
    // Completes the file (a sound file's header); the descriptor stays open.
    virtual void finish() = 0;
};

// Writes to `fd`, which the caller keeps open until the sink is gone. `frames` is the length
// the stream promises (0 when unknown), for a WAV header that cannot be filled in afterwards.
// A WAV or AIFF file written through libsndfile carries the `tags` it has a place for ("NAME=
// value"); raw PCM and WAV into a pipe carry none.
std::unique_ptr<CPcmSink> makePcmSink(OutputKind kind, int fd, int32_t sampleRate, int32_t channels,
                                      int32_t bytesPerSample, int64_t frames = 0,
                                      const std::vector<std::string>& tags = {});

} // namespace orxa::host
