#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace orxa::host {

enum class OutputKind { wav, aiff, raw, standardOutput, unknown };

// By the name's ending; "-" is standard output.
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

// Writes to `fd`, which the caller keeps open until the sink is gone.
std::unique_ptr<CPcmSink> makePcmSink(OutputKind kind, int fd, int32_t sampleRate, int32_t channels,
                                      int32_t bytesPerSample);

} // namespace orxa::host
