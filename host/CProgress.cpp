#include "CProgress.h"

#include "console.h"

#include <algorithm>
#include <cstdio>

namespace orxa::host {

namespace {
constexpr auto firstDraw = std::chrono::seconds(1);
constexpr auto redraw = std::chrono::milliseconds(200);
} // namespace

CProgress::CProgress(bool enabled, int jobCount)
    : m_jobCount(jobCount), m_start(std::chrono::steady_clock::now()),
      m_enabled(enabled && jobCount > 0) {
    if (m_enabled)
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

int CProgress::begin(const std::string& name, double seconds) {
    std::lock_guard<std::mutex> lock(m_mutex);
    int slot = m_nextSlot++;
    if (m_enabled)
        m_running[slot] = Running{name, seconds, 0.0};
    return slot;
}

void CProgress::add(int slot, double seconds) {
    if (!m_enabled)
        return;
    std::lock_guard<std::mutex> lock(m_mutex);
    m_seconds += seconds;
    auto at = m_running.find(slot);
    if (at != m_running.end())
        at->second.done += seconds;
}

void CProgress::end(int slot) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_running.erase(slot);
    ++m_ended;
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
    double speed = elapsed > 0.0 ? m_seconds / elapsed : 0.0;
    std::string text;
    if (m_jobCount > 1)
        text = "[" + std::to_string(m_ended) + "/" + std::to_string(m_jobCount) + "] ";
    double left = 0.0;
    for (const auto& [slot, running] : m_running) {
        double fraction =
            running.seconds > 0.0 ? std::min(running.done / running.seconds, 1.0) : 0.0;
        char share[16];
        std::snprintf(share, sizeof share, " %d%%", static_cast<int>(fraction * 100.0));
        text += running.name + share + "  ";
        left = std::max(left, running.seconds - running.done);
    }
    char tail[96];
    // The files run side by side, sharing the speed measured.
    double perFile = m_running.empty() ? 0.0 : speed / static_cast<double>(m_running.size());
    int secondsLeft = perFile > 0.0 ? static_cast<int>(left / perFile + 0.5) : 0;
    std::snprintf(tail, sizeof tail, "%.1fx realtime, %d:%02d left", speed, secondsLeft / 60,
                  secondsLeft % 60);
    console::showProgress(text + tail);
}

} // namespace orxa::host
