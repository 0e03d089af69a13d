#include "interruption.h"

#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <csignal>
#include <mutex>
#include <set>
#include <stdexcept>
#include <thread>

namespace orxa::host::interruption {

namespace {

constexpr auto gracePeriod = std::chrono::milliseconds(500);

std::atomic<int> caught{0};
int wakePipe[2] = {-1, -1};

std::mutex& namesLock() {
    static std::mutex mutex;
    return mutex;
}
std::set<std::string>& names() {
    static std::set<std::string> set;
    return set;
}
std::multiset<std::string>& running() {
    static std::multiset<std::string> set;
    return set;
}
bool reported = false;

extern "C" void onSignal(int number) {
    int expected = 0;
    caught.compare_exchange_strong(expected, number);
    char byte = 1;
    // Nothing to do when it fails: the flag alone still ends the jobs.
    [[maybe_unused]] ssize_t ignored = ::write(wakePipe[1], &byte, 1);
}

void watch() {
    char byte;
    while (::read(wakePipe[0], &byte, 1) < 0) {
    }
    std::this_thread::sleep_for(gracePeriod);
    // The jobs did not end in time: whatever blocks them, the tool ends here. The lock stays
    // held to the end, so no job reports or registers anything after this point.
    namesLock().lock();
    for (const std::string& path : names())
        ::unlink(path.c_str());
    if (!reported) {
        for (const std::string& file : running()) {
            std::string line = "orxa-host: " + file + ": interrupted\n";
            [[maybe_unused]] ssize_t ignored = ::write(STDERR_FILENO, line.data(), line.size());
        }
    }
    ::_exit(exitStatus());
}

} // namespace

void install() {
    if (::pipe2(wakePipe, O_CLOEXEC) != 0)
        return;
    struct sigaction action {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    // No SA_RESTART: a write blocked on a pipe returns, so the job sees the interruption.
    action.sa_flags = 0;
    for (int number : {SIGINT, SIGTERM, SIGHUP})
        ::sigaction(number, &action, nullptr);
    std::thread(watch).detach();
}

bool requested() {
    return caught.load() != 0;
}

int exitStatus() {
    int number = caught.load();
    return number ? 128 + number : 0;
}

void check() {
    if (requested())
        throw std::runtime_error("interrupted");
}

void jobBegins(const std::string& file) {
    std::lock_guard<std::mutex> guard(namesLock());
    running().insert(file);
}

void jobEnds(const std::string& file) {
    std::lock_guard<std::mutex> guard(namesLock());
    auto found = running().find(file);
    if (found != running().end())
        running().erase(found);
}

bool claimReport() {
    std::lock_guard<std::mutex> guard(namesLock());
    bool first = !reported;
    reported = true;
    return first;
}

void removeOnInterruption(const std::string& path) {
    std::lock_guard<std::mutex> guard(namesLock());
    names().insert(path);
}

void keepOnInterruption(const std::string& path) {
    std::lock_guard<std::mutex> guard(namesLock());
    names().erase(path);
}

} // namespace orxa::host::interruption
