#pragma once

#include <string>

namespace tamu::posix {

// The C runtime's rendering of one floating-point field (`field` is one printf
// conversion such as "%-8.3f") in the "C" locale, so the decimal point is '.' whatever setlocale
// chose.
std::string formatDoubleInCLocale(const char* field, double value);

} // namespace tamu::posix
