#include "orxa/audio/CAudioChunkPool.h"
#include "orxa/audio/IAudioChunk.h"
#include "pcmTestSupport.h"
#include "tamu/IMemoryBlock.h"
#include "tamu/IMemoryManager.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

using orxa::audio::CAudioChunkPool;
using orxa::audio::IAudioChunk;
using orxa::testing::newMemoryManager;
using tamu::IMemoryBlock;
using tamu::P;

using orxa::testing::refCountOf;

namespace {

class AudioChunkPool : public ::testing::Test {
protected:
    P<tamu::IMemoryManager> memory = newMemoryManager();
    P<CAudioChunkPool> pool = tamu::make<CAudioChunkPool>();
};

} // namespace

TEST_F(AudioChunkPool, ReusesAReleasedChunkWithItsNewTimeAndBlock) {
    P<IMemoryBlock> first = memory->allocate(64);
    P<IMemoryBlock> second = memory->allocate(100);
    const IAudioChunk* address = nullptr;
    {
        P<IAudioChunk> chunk = pool->make(1.5, first.get());
        address = chunk.get();
        EXPECT_EQ(pool->getParkedCount(), 0);
    }
    EXPECT_EQ(pool->getParkedCount(), 1);
    P<IAudioChunk> again = pool->make(2.5, second.get());
    EXPECT_EQ(again.get(), address);
    EXPECT_EQ(pool->getParkedCount(), 0);
    EXPECT_EQ(again->getTime(), 2.5);
    EXPECT_EQ(again->getSize(), 100);
    EXPECT_EQ(again->getData(), second->getData());
    EXPECT_EQ(again->getMemoryBlock().get(), second.get());
    // A reused chunk starts with exactly one reference, as a new one does.
    EXPECT_EQ(refCountOf(again.get()), 1);
}

TEST_F(AudioChunkPool, AParkedChunkGivesItsBlockBack) {
    P<IMemoryBlock> block = memory->allocate(64);
    const int32_t alone = refCountOf(block.get());
    P<IAudioChunk> chunk = pool->make(0.0, block.get());
    EXPECT_EQ(refCountOf(block.get()), alone + 1);
    chunk = nullptr;
    EXPECT_EQ(refCountOf(block.get()), alone);
    // Released blocks reach the memory manager's cache while their chunk waits in the pool.
    block = nullptr;
    EXPECT_GT(memory->getCachedSize(), 0u);
    EXPECT_EQ(pool->getParkedCount(), 1);
}

TEST_F(AudioChunkPool, ChunksOutliveTheirProducersReference) {
    P<IMemoryBlock> block = memory->allocate(8);
    std::vector<P<IAudioChunk>> out;
    for (int i = 0; i < 3; ++i)
        out.push_back(pool->make(i, block.get()));
    CAudioChunkPool* raw = pool.get();
    EXPECT_EQ(refCountOf(raw), 4);
    pool = nullptr;
    EXPECT_EQ(out[2]->getTime(), 2.0);
    out.pop_back();
    EXPECT_EQ(raw->getParkedCount(), 1);
    out.clear(); // the last chunk takes the pool with it; ASan sees any use after that
    EXPECT_EQ(refCountOf(block.get()), 1);
}

TEST_F(AudioChunkPool, ConcurrentReleaseAndReuse) {
    constexpr int rounds = 2000;
    std::vector<P<IAudioChunk>> handOver(rounds);
    // At most `inFlight` chunks are out at once, as behind a bounded queue.
    constexpr int inFlight = 4;
    std::atomic<int> ready{0};
    std::atomic<int> done{0};
    std::thread consumer([&] {
        for (int i = 0; i < rounds; ++i) {
            while (ready.load(std::memory_order_acquire) <= i)
                std::this_thread::yield();
            {
                P<IAudioChunk> chunk = std::move(handOver[static_cast<size_t>(i)]);
                if (chunk->getTime() != i || chunk->getSize() != 16)
                    ADD_FAILURE() << "chunk " << i << " came with the wrong contents";
            }
            done.store(i + 1, std::memory_order_release);
        }
    });
    for (int i = 0; i < rounds; ++i) {
        while (i - done.load(std::memory_order_acquire) >= inFlight)
            std::this_thread::yield();
        P<IMemoryBlock> block = memory->allocate(16);
        handOver[static_cast<size_t>(i)] = pool->make(i, block.get());
        ready.store(i + 1, std::memory_order_release);
    }
    consumer.join();
    // Every chunk came back, and no more objects were made than were ever out at once.
    const int32_t parked = pool->getParkedCount();
    EXPECT_GE(parked, 1);
    EXPECT_LE(parked, inFlight + 1);
}
