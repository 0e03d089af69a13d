#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

namespace orxa::host {

// A bar on standard error for the share of the jobs' audio done, with the speed as a multiple of
// real time. It appears only after about a second of work, and only when enabled (standard error
// is a terminal and the tool is not quiet); it is wiped when the work ends.
class CProgress {
public:
    CProgress(bool enabled, int jobCount);
    CProgress(const CProgress&) = delete;
    CProgress& operator=(const CProgress&) = delete;
    ~CProgress();

    // Any thread: `seconds` more of a job whose audio lasts `jobSeconds` are done.
    void add(double seconds, double jobSeconds);

private:
    void run();
    void draw(double elapsed);

    double m_jobCount;
    std::atomic<double> m_jobsDone{0.0};
    std::atomic<double> m_seconds{0.0};
    std::chrono::steady_clock::time_point m_start;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    bool m_stopping = false;
    std::thread m_thread;
};

} // namespace orxa::host
