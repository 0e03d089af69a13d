#include "tamu/stringParse.h"

#include "CodePointReader.h"
#include "tamu/ICharEncoding.h"
#include "throwParseError.h"

#include <charconv>
#include <limits>
#include <string>

namespace tamu {

namespace {

constexpr const char* integerError = "Error parsing integer.";
constexpr const char* floatError = "Error parsing floating point value.";

// The text as ASCII; false when a character is not ASCII (it could not be part of a number).
bool asciiOf(const StringArg& text, std::string& ascii) {
    CodePointReader reader(text.encoding(), text.data(), text.byteLength());
    uint32_t c;
    while (reader.next(c)) {
        if (c == 0 || c > 0x7F)
            return false;
        ascii.push_back(static_cast<char>(c));
    }
    return true;
}

// from_chars reads a '-' but not a '+'.
const char* afterPlus(const std::string& ascii) {
    const char* first = ascii.data();
    if (ascii.size() > 1 && first[0] == '+' && first[1] != '-' && first[1] != '+')
        ++first;
    return first;
}

template <class T>
T parseWhole(const StringArg& text, const char* error) {
    std::string ascii;
    if (!asciiOf(text, ascii) || ascii.empty())
        throwParseError(error);
    const char* last = ascii.data() + ascii.size();
    T value{};
    std::from_chars_result result;
    if constexpr (std::is_floating_point_v<T>)
        result = std::from_chars(afterPlus(ascii), last, value, std::chars_format::general);
    else
        result = std::from_chars(afterPlus(ascii), last, value, 10);
    if (result.ec != std::errc() || result.ptr != last)
        throwParseError(error);
    return value;
}

} // namespace

int32_t parseInt32(StringArg text) {
    return parseWhole<int32_t>(text, integerError);
}

int64_t parseInt64(StringArg text) {
    return parseWhole<int64_t>(text, integerError);
}

double parseDouble(StringArg text) {
    return parseWhole<double>(text, floatError);
}

} // namespace tamu
