#include "tamu/debugBreak.h"

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <unistd.h>

namespace tamu {

namespace {

bool isTraced() {
    FILE* status = std::fopen("/proc/self/status", "r");
    if (!status)
        return false;
    char line[256];
    long tracer = 0;
    while (std::fgets(line, sizeof line, status)) {
        if (std::strncmp(line, "TracerPid:", 10) == 0) {
            tracer = std::strtol(line + 10, nullptr, 10);
            break;
        }
    }
    std::fclose(status);
    return tracer != 0;
}

void writeAll(const char* text, size_t length) {
    while (length > 0) {
        ssize_t written = ::write(STDERR_FILENO, text, length);
        if (written <= 0)
            return;
        text += written;
        length -= static_cast<size_t>(written);
    }
}

} // namespace

void debugBreak(const char* message) {
    writeAll(message, std::strlen(message));
    writeAll("\n", 1);
    if (isTraced())
        std::raise(SIGTRAP);
    std::abort();
}

} // namespace tamu
