#include "span.h"

#include "outputPlan.h"

#include <cmath>
#include <stdexcept>

namespace orxa::host {

namespace {

// A non-negative decimal number taking the whole of `text`.
bool parseNumber(const std::string& text, double& value) {
    if (text.empty() || text.find_first_not_of("0123456789.") != std::string::npos ||
        text.find('.') != text.rfind('.') || text == ".")
        return false;
    value = std::stod(text);
    return true;
}

// Stream positions are rounded to the nearest sample, as the source rounds a time.
int64_t samplesOf(const SpanTime& time, int32_t rate) {
    if (time.inSamples)
        return time.samples;
    return std::llround(time.seconds * rate);
}

} // namespace

SpanTime SpanTime::parse(const std::string& given, const char* option, bool mayCountFromEnd) {
    SpanTime time;
    std::string text = given;
    if (mayCountFromEnd && !text.empty() && text[0] == '-') {
        time.fromEnd = true;
        text.erase(0, 1);
    }
    auto refuse = [&] {
        throw CUsageError(std::string(option) + ": '" + given +
                          "' is no time (seconds, mm:ss.sss or samples followed by 's')");
    };
    if (!text.empty() && text.back() == 's') {
        text.pop_back();
        if (text.empty() || text.find_first_not_of("0123456789") != std::string::npos ||
            text.size() > 18)
            refuse();
        time.inSamples = true;
        time.samples = std::stoll(text);
        return time;
    }
    const size_t colon = text.find(':');
    double minutes = 0.0, seconds = 0.0;
    if (colon != std::string::npos) {
        const std::string before = text.substr(0, colon);
        if (before.find('.') != std::string::npos || !parseNumber(before, minutes) ||
            !parseNumber(text.substr(colon + 1), seconds))
            refuse();
    } else if (!parseNumber(text, seconds)) {
        refuse();
    }
    time.seconds = minutes * 60.0 + seconds;
    if (!std::isfinite(time.seconds) || time.seconds > 1e12)
        refuse();
    return time;
}

Span Span::resolve(const std::optional<SpanTime>& skip, const std::optional<SpanTime>& until,
                   int32_t rate, int64_t totalSamples) {
    Span span;
    if (skip)
        span.first = samplesOf(*skip, rate);
    if (until) {
        int64_t end = samplesOf(*until, rate);
        if (until->fromEnd) {
            if (totalSamples <= 0)
                throw std::runtime_error("--until from the end needs the stream's length, which "
                                         "its header does not give");
            end = std::max<int64_t>(0, totalSamples - end);
        }
        if (totalSamples > 0)
            end = std::min(end, totalSamples);
        if (end < span.first && (totalSamples <= 0 || span.first < totalSamples))
            throw std::runtime_error("--until comes before --skip");
        span.end = std::max(end, span.first);
    }
    return span;
}

int64_t Span::framesAt(int32_t rate, int32_t targetRate) const {
    if (end < 0)
        return -1;
    if (rate == targetRate)
        return end - first;
    // Each end of the span at the target rate, rounded as a time is.
    auto at = [&](int64_t sample) {
        return static_cast<int64_t>(std::llround(static_cast<double>(sample) * targetRate / rate));
    };
    return at(end) - at(first);
}

} // namespace orxa::host
