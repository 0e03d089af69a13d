#include "host/CReadAhead.h"
#include "orxa/audio/CAudioChunk.h"
#include "pcmTestSupport.h"
#include "tamu/IMemoryBlock.h"
#include "tamu/IMemoryManager.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <stdexcept>
#include <thread>

using orxa::audio::IAudioChunk;
using orxa::host::CReadAhead;
using tamu::P;

namespace {

// Chunks 0 .. count-1 (the time is the number), then the end or a failure.
struct Numbers {
    int count;
    bool failAtEnd = false;
    std::atomic<int> calls{0};
    P<tamu::IMemoryManager> memory = orxa::testing::newMemoryManager();

    P<IAudioChunk> operator()() {
        const int n = calls++;
        if (n == count) {
            if (failAtEnd)
                throw std::runtime_error("read failed");
            return {};
        }
        if (n > count)
            throw std::logic_error("read again after the end");
        P<tamu::IMemoryBlock> block = memory->allocate(4);
        return tamu::make<orxa::audio::CAudioChunk>(n, block.get());
    }
};

} // namespace

// Whatever the queue's length, every chunk comes once and in order, then the end, which stays
// the end; a failure comes after the chunks read before it.
TEST(ReadAhead, ConcurrentChunksArriveInOrderThenTheEndOrTheFailure) {
    for (size_t capacity : {1, 3, 64})
        for (bool fail : {false, true}) {
            SCOPED_TRACE("queue of " + std::to_string(capacity) + (fail ? ", failing" : ""));
            Numbers numbers{500, fail};
            CReadAhead ahead([&] { return numbers(); }, capacity);
            for (int i = 0; i < 500; ++i) {
                P<IAudioChunk> chunk = ahead.next();
                ASSERT_TRUE(chunk);
                EXPECT_EQ(chunk->getTime(), i);
            }
            if (fail) {
                EXPECT_THROW(ahead.next(), std::runtime_error);
            }
            EXPECT_FALSE(ahead.next());
            EXPECT_FALSE(ahead.next());
            EXPECT_EQ(numbers.calls, 501);
        }
}

TEST(ReadAhead, ConcurrentReaderStaysWithinTheQueue) {
    Numbers numbers{1000};
    CReadAhead ahead([&] { return numbers(); }, 4);
    ASSERT_TRUE(ahead.next());
    // The reader fills the queue and waits: one taken, four queued, at most one more read and
    // held for room, however long it is given.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (numbers.calls < 5 && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_GE(numbers.calls, 5);
    EXPECT_LE(numbers.calls, 6);
}

TEST(ReadAhead, ConcurrentStopOfAFullQueue) {
    Numbers numbers{1000000};
    {
        CReadAhead ahead([&] { return numbers(); }, 2);
        ASSERT_TRUE(ahead.next());
    }
    // The owner went long before the end: the reader stopped instead of reading on.
    EXPECT_LT(numbers.calls, 10);
}
