#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace orxa::host {

// A place in a stream as `flac --skip` and `--until` take it: seconds ("12.5"), minutes and
// seconds ("1:02.5"), or a sample count ("551250s"); `--until` also counts from the end ("-3").
struct SpanTime {
    bool inSamples = false;
    bool fromEnd = false;
    double seconds = 0.0;
    int64_t samples = 0;

    // Throws CUsageError naming `option` for text that is no time.
    static SpanTime parse(const std::string& text, const char* option, bool mayCountFromEnd);
};

// The part of a stream a job keeps, in samples per channel at the file's rate: from `first` up
// to, not including, `end` (-1: to the end of the stream).
struct Span {
    int64_t first = 0;
    int64_t end = -1;

    bool isWhole() const { return first == 0 && end < 0; }
    // Throws std::runtime_error when the span cannot be placed in a stream of `totalSamples`
    // (0: unknown) at `rate`.
    static Span resolve(const std::optional<SpanTime>& skip, const std::optional<SpanTime>& until,
                        int32_t rate, int64_t totalSamples);
    // How many frames the span becomes at `targetRate`, -1 when it runs to the end.
    int64_t framesAt(int32_t rate, int32_t targetRate) const;
};

} // namespace orxa::host
