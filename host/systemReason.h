#pragma once

#include <string>

namespace orxa::host {

// The system's text for an errno value ("No space left on device").
std::string systemReason(int error);

} // namespace orxa::host
