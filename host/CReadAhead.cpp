#include "CReadAhead.h"

#include "orxa/audio/IAudioChunk.h"

#include <algorithm>
#include <condition_variable>
#include <exception>
#include <mutex>
#include <thread>
#include <utility>
#include <vector>

namespace orxa::host {

struct CReadAhead::State {
    Reader read;
    std::mutex lock;
    // The reader waits on it for room, the caller for chunks.
    std::condition_variable changed;
    std::vector<tamu::P<orxa::audio::IAudioChunk>> ring; // allocated once
    size_t head = 0;
    size_t queued = 0;
    // The reader has ended: after the queued chunks come `failure`, if any, then the end.
    bool ended = false;
    std::exception_ptr failure;
    bool stopping = false;
    std::thread thread;
};

CReadAhead::CReadAhead(Reader read, size_t capacity) : m_state(std::make_unique<State>()) {
    m_state->read = std::move(read);
    m_state->ring.resize(std::max<size_t>(capacity, 1));
    m_state->thread = std::thread([this] { run(); });
}

CReadAhead::~CReadAhead() {
    {
        std::lock_guard<std::mutex> guard(m_state->lock);
        m_state->stopping = true;
    }
    m_state->changed.notify_all();
    m_state->thread.join();
}

tamu::P<orxa::audio::IAudioChunk> CReadAhead::next() {
    State& state = *m_state;
    std::unique_lock<std::mutex> guard(state.lock);
    state.changed.wait(guard, [&] { return state.queued > 0 || state.ended; });
    if (state.queued == 0) {
        if (state.failure)
            std::rethrow_exception(std::exchange(state.failure, nullptr));
        return {};
    }
    tamu::P<orxa::audio::IAudioChunk> chunk = std::move(state.ring[state.head]);
    state.head = (state.head + 1) % state.ring.size();
    --state.queued;
    guard.unlock();
    state.changed.notify_all();
    return chunk;
}

void CReadAhead::run() {
    State& state = *m_state;
    std::exception_ptr failure;
    for (;;) {
        {
            std::unique_lock<std::mutex> guard(state.lock);
            state.changed.wait(guard,
                               [&] { return state.queued < state.ring.size() || state.stopping; });
            if (state.stopping)
                break;
        }
        tamu::P<orxa::audio::IAudioChunk> chunk;
        try {
            chunk = state.read();
        } catch (...) {
            failure = std::current_exception();
            break;
        }
        if (!chunk)
            break;
        {
            std::lock_guard<std::mutex> guard(state.lock);
            state.ring[(state.head + state.queued) % state.ring.size()] = std::move(chunk);
            ++state.queued;
        }
        state.changed.notify_all();
    }
    {
        std::lock_guard<std::mutex> guard(state.lock);
        state.failure = std::move(failure);
        state.ended = true;
    }
    state.changed.notify_all();
}

} // namespace orxa::host
