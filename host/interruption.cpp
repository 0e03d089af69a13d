#include "interruption.h"

#include <atomic>
#include <csignal>
#include <stdexcept>

namespace orxa::host::interruption {

namespace {

std::atomic<bool> flag{false};

extern "C" void onSignal(int) {
    flag.store(true);
}

} // namespace

void install() {
    std::signal(SIGINT, onSignal);
    std::signal(SIGTERM, onSignal);
    std::signal(SIGHUP, onSignal);
}

bool requested() {
    return flag.load();
}

void check() {
    if (flag.load())
        throw std::runtime_error("interrupted");
}

} // namespace orxa::host::interruption
