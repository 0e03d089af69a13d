#pragma once

#include <chrono>
#include <condition_variable>
#include <map>
#include <mutex>
#include <string>
#include <thread>

namespace orxa::host {

// A line on standard error with every running file and its share done, the speed as a multiple
// of real time and the time left. It appears only after about a second of work, and only when
// enabled (standard error is a terminal and the tool is not quiet); it is wiped when the work
// ends.
class CProgress {
public:
    CProgress(bool enabled, int jobCount);
    CProgress(const CProgress&) = delete;
    CProgress& operator=(const CProgress&) = delete;
    ~CProgress();

    // Any thread. A file whose audio lasts `seconds` (0 when unknown) begins; returns its slot.
    int begin(const std::string& name, double seconds);
    // `seconds` more of the file in `slot` are done.
    void add(int slot, double seconds);
    void end(int slot);

private:
    struct Running {
        std::string name;
        double seconds = 0.0;
        double done = 0.0;
    };

    void run();
    void draw(double elapsed);

    int m_jobCount;
    int m_ended = 0;
    int m_nextSlot = 0;
    double m_seconds = 0.0;
    std::map<int, Running> m_running;
    std::chrono::steady_clock::time_point m_start;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    bool m_enabled;
    bool m_stopping = false;
    std::thread m_thread;
};

} // namespace orxa::host
