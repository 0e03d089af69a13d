#pragma once

#include <string>

namespace tamu::posix {

// The C library's description of an errno value.
std::string getSystemErrorText(int errorCode);

} // namespace tamu::posix
