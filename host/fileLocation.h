#pragma once

#include "tamu/P.h"

#include <string>

namespace tamu {
class IString;
}

namespace orxa::host {

// The location a worker is given for a local file: a file URI of its absolute path with every
// byte that could be read as URI syntax escaped, so names with '#', '?', '%' or spaces survive.
tamu::P<tamu::IString> fileLocation(const std::string& path);

} // namespace orxa::host
