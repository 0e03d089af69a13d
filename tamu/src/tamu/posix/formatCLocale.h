#pragma once

#include <string>

namespace tamu::posix {

// The C runtime's rendering of one floating-point field (`spec` is a printf specification with
// one conversion) in the "C" locale, so the decimal point is '.' whatever setlocale chose.
std::string formatDoubleInCLocale(const char* spec, double value);

} // namespace tamu::posix
