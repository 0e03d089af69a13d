#include "orxa/flac/CBackgroundMD5.h"

#include "tamu/IMemoryBlock.h"

#include <nettle/md5.h>

#include <algorithm>
#include <condition_variable>
#include <mutex>
#include <stdexcept>
#include <thread>
#include <utility>
#include <vector>

namespace orxa::flac {

struct CBackgroundMD5::State {
    std::mutex lock;
    // Each side sleeps on its own condition and is woken only when there is work worth waking
    // for: the hasher when a batch is queued (or the end has come), the producer when the ring
    // that stopped it has room again. One wake-up a frame cost more CPU than the hashing saved.
    std::condition_variable blocksReady;
    std::condition_variable roomOrDigest;
    bool hasherAsleep = false;
    bool producerAsleep = false;
    // A ring of `capacity` slots, allocated once.
    std::vector<tamu::P<tamu::IMemoryBlock>> ring;
    size_t head = 0;
    size_t queued = 0;
    // How many queued blocks wake the hasher.
    size_t batch = 1;
    // No more blocks come: the hasher empties the ring and ends.
    bool closing = false;
    // The hasher ends at once, leaving the rest.
    bool abandoned = false;
    bool hashed = false;
    md5_ctx context{};
    std::thread thread;
};

CBackgroundMD5::CBackgroundMD5(size_t capacity) : m_state(std::make_unique<State>()) {
    m_state->ring.resize(std::max<size_t>(capacity, 1));
    m_state->batch = std::max<size_t>(m_state->ring.size() / 2, 1);
    md5_init(&m_state->context);
    m_state->thread = std::thread([this] { run(); });
}

CBackgroundMD5::~CBackgroundMD5() {
    {
        std::lock_guard<std::mutex> guard(m_state->lock);
        m_state->abandoned = true;
        m_state->closing = true;
    }
    m_state->blocksReady.notify_one();
    m_state->thread.join();
}

void CBackgroundMD5::add(tamu::P<tamu::IMemoryBlock> block) {
    State& state = *m_state;
    std::unique_lock<std::mutex> guard(state.lock);
    if (state.closing)
        throw std::logic_error("CBackgroundMD5::add() after finish()");
    if (state.queued == state.ring.size()) {
        state.producerAsleep = true;
        state.roomOrDigest.wait(guard, [&] { return state.queued < state.ring.size(); });
        state.producerAsleep = false;
    }
    state.ring[(state.head + state.queued) % state.ring.size()] = std::move(block);
    ++state.queued;
    const bool wake = state.hasherAsleep && state.queued >= state.batch;
    guard.unlock();
    if (wake)
        state.blocksReady.notify_one();
}

void CBackgroundMD5::finish(uint8_t digest[16]) {
    State& state = *m_state;
    {
        std::unique_lock<std::mutex> guard(state.lock);
        state.closing = true;
        state.blocksReady.notify_one();
        state.producerAsleep = true;
        state.roomOrDigest.wait(guard, [&] { return state.hashed; });
        state.producerAsleep = false;
    }
    // The hasher has ended: the context is this thread's now.
    md5_digest(&state.context, 16, digest);
}

void CBackgroundMD5::run() {
    State& state = *m_state;
    std::unique_lock<std::mutex> guard(state.lock);
    for (;;) {
        if (state.queued == 0 && !state.closing) {
            state.hasherAsleep = true;
            state.blocksReady.wait(guard, [&] {
                return state.queued >= state.batch || state.closing || state.abandoned;
            });
            state.hasherAsleep = false;
        }
        if (state.abandoned || state.queued == 0)
            break;
        tamu::P<tamu::IMemoryBlock> block = std::move(state.ring[state.head]);
        state.head = (state.head + 1) % state.ring.size();
        --state.queued;
        const bool wake = state.producerAsleep;
        guard.unlock();
        if (wake)
            state.roomOrDigest.notify_one();
        md5_update(&state.context, static_cast<size_t>(block->getSize()), block->getData());
        // Released outside the lock: the block goes back to its memory manager.
        block = nullptr;
        guard.lock();
    }
    while (state.queued > 0) {
        state.ring[state.head] = nullptr;
        state.head = (state.head + 1) % state.ring.size();
        --state.queued;
    }
    state.hashed = true;
    guard.unlock();
    state.roomOrDigest.notify_one();
}

} // namespace orxa::flac
