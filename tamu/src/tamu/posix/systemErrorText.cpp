#include "tamu/posix/systemErrorText.h"

#include <string.h>

namespace tamu::posix {

std::string getSystemErrorText(int errorCode) {
    char buffer[256];
    // The GNU variant may return a static string instead of filling the buffer.
    const char* text = strerror_r(errorCode, buffer, sizeof buffer);
    return text ? std::string(text) : std::string("error ") + std::to_string(errorCode);
}

} // namespace tamu::posix
