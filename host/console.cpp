#include "console.h"

#include <cstdio>
#include <mutex>

namespace orxa::host::console {

namespace {

std::mutex& lock() {
    static std::mutex mutex;
    return mutex;
}

bool barShown = false;

void wipeBar() {
    if (barShown) {
        std::fputs("\r\033[K", stderr);
        barShown = false;
    }
}

} // namespace

void message(const std::string& line) {
    std::lock_guard<std::mutex> guard(lock());
    wipeBar();
    std::fprintf(stderr, "%s\n", line.c_str());
    std::fflush(stderr);
}

void error(const std::string& file, const std::string& reason) {
    // Some reasons are log lines with the exception's text on a line of its own.
    std::string line = "orxa-host: " + file + ": ";
    for (char c : reason) {
        if (c == '\n')
            line += ": ";
        else if (c != '\r')
            line += c;
    }
    message(line);
}

void showProgress(const std::string& bar) {
    std::lock_guard<std::mutex> guard(lock());
    std::fprintf(stderr, "\r%s\033[K", bar.c_str());
    std::fflush(stderr);
    barShown = true;
}

void clearProgress() {
    std::lock_guard<std::mutex> guard(lock());
    wipeBar();
    std::fflush(stderr);
}

} // namespace orxa::host::console
