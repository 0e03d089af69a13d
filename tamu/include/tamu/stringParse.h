#pragma once

#include "tamu/StringArg.h"

#include <cstdint>

namespace tamu {

// The whole text must be a decimal number (an optional sign, then digits; no blanks). Anything
// else, an empty text or a value out of range throws the library's parse error with
// "Error parsing integer." or "Error parsing floating point value.".
int32_t parseInt32(StringArg text);
int64_t parseInt64(StringArg text);
double parseDouble(StringArg text);

} // namespace tamu
