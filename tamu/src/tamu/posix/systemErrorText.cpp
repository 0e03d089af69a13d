#include "tamu/platform.h"

#include <cstdio>
#include <string.h>

namespace tamu::platform {

std::string getSystemErrorText(int errorCode) {
    char buffer[256];
    // The GNU variant may return a static string instead of filling the buffer.
    const char* text = strerror_r(errorCode, buffer, sizeof buffer);
    if (text)
        return text;
    std::snprintf(buffer, sizeof buffer, "error %d", errorCode);
    return buffer;
}

} // namespace tamu::platform
