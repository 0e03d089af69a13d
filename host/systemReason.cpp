#include "systemReason.h"

#include <cstring>

namespace orxa::host {

std::string systemReason(int error) {
    char buffer[256];
    // The GNU strerror_r returns its text, which need not be in the buffer.
    return strerror_r(error, buffer, sizeof buffer);
}

} // namespace orxa::host
