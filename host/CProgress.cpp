#include "CProgress.h"

#include "console.h"

#include <algorithm>
#include <cstdio>

namespace orxa::host {

namespace {
constexpr auto firstDraw = std::chrono::seconds(1);
constexpr auto redraw = std::chrono::milliseconds(200);
constexpr int barWidth = 30;
} // namespace

CProgress::CProgress(bool enabled, int jobCount)
    : m_jobCount(jobCount), m_start(std::chrono::steady_clock::now()) {
    if (enabled && jobCount > 0)
        m_thread = std::thread([this] { run(); });
}

CProgress::~CProgress() {
    if (!m_thread.joinable())
        return;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_stopping = true;
    }
    m_wake.notify_all();
    m_thread.join();
    console::clearProgress();
}

namespace {
void addTo(std::atomic<double>& total, double amount) {
    double value = total.load(std::memory_order_relaxed);
    while (!total.compare_exchange_weak(value, value + amount, std::memory_order_relaxed)) {
    }
}
} // namespace

void CProgress::add(double seconds, double jobSeconds) {
    addTo(m_seconds, seconds);
    if (jobSeconds > 0.0)
        addTo(m_jobsDone, seconds / jobSeconds);
}

void CProgress::run() {
    std::unique_lock<std::mutex> lock(m_mutex);
    if (m_wake.wait_for(lock, firstDraw, [this] { return m_stopping; }))
        return;
    while (!m_stopping) {
        std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - m_start;
        draw(elapsed.count());
        m_wake.wait_for(lock, redraw, [this] { return m_stopping; });
    }
}

void CProgress::draw(double elapsed) {
    double seconds = m_seconds.load(std::memory_order_relaxed);
    double fraction = std::clamp(m_jobsDone.load(std::memory_order_relaxed) / m_jobCount, 0.0, 1.0);
    int filled = static_cast<int>(fraction * barWidth);
    char text[128];
    std::snprintf(text, sizeof text, "[%.*s%*s] %3d%%  %.1fx realtime", filled,
                  "##############################", barWidth - filled, "",
                  static_cast<int>(fraction * 100.0), elapsed > 0.0 ? seconds / elapsed : 0.0);
    console::showProgress(text);
}

} // namespace orxa::host
