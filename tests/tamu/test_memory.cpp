#include "tamu/CMemoryBlock.h"
#include "tamu/CMemoryManager.h"
#include "tamu/CObjectError.h"

#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <random>
#include <string>
#include <thread>
#include <vector>

using namespace tamu;

namespace {

P<IMemoryBlock> blockOf(const char* text) {
    return make<CMemoryBlock>(static_cast<int32_t>(std::strlen(text)), text);
}

std::string textOf(const IMemoryBlock& block) {
    return std::string(reinterpret_cast<const char*>(block.getData()), block.getSize());
}

} // namespace

TEST(MemoryBlock, EditingKeepsContentAndCapacityConsistent) {
    P<IMemoryBlock> block = blockOf("hello world");
    block->remove(5, 6);
    // Appending a block to itself reads bytes that move when the buffer grows.
    block->append(*block);
    EXPECT_EQ(textOf(*block), "hellohello");
    EXPECT_THROW(block->remove(9, 2), CInvalidArgError);

    // Wrapped bytes are copied before the first change.
    char foreign[] = "abcdef";
    P<CMemoryBlock> wrapped = CMemoryBlock::wrap(foreign, 6, nullptr);
    wrapped->fill('q');
    P<CMemoryBlock> view = CMemoryBlock::wrap(foreign, 6, nullptr);
    view->assign(foreign + 2, 3);
    EXPECT_EQ(textOf(*view), "cde");
    EXPECT_STREQ(foreign, "abcdef");
}

TEST(MemoryManager, SizeClassIsTheHighestSetBit) {
    const std::map<int32_t, int32_t> expected = {
        {0, 0},        {1, 0},          {2, 1}, {5, 2}, {4096, 12}, {(1 << 30) - 1, 29},
        {1 << 30, 30}, {0x7FFFFFFF, 30}};
    for (auto [size, sizeClass] : expected)
        EXPECT_EQ(CMemoryManager::getSizeClass(size), sizeClass) << size;
}

TEST(MemoryManager, ReleasedBlockIsHandedOutAgainWithItsOldBytes) {
    P<CMemoryManager> manager = make<CMemoryManager>(30);
    // The smallest requests get class zero.
    P<IMemoryBlock> empty = manager->allocate(0);
    P<IMemoryBlock> one = manager->allocate(1);
    EXPECT_EQ(empty->getCapacity(), 2);
    empty = one = nullptr;
    EXPECT_EQ(manager->getCachedSize(), 2u);

    P<IMemoryBlock> block = manager->allocate(5);
    EXPECT_EQ(block->getCapacity(), 8);
    std::memcpy(block->getData(), "12345", 5);
    const uint8_t* buffer = block->getData();
    block = nullptr;
    EXPECT_EQ(manager->getCachedSize(), 6u);

    P<IMemoryBlock> again = manager->allocate(7);
    EXPECT_EQ(again->getData(), buffer);
    // Recycled, it still has the size asked for now, not the size it had before.
    EXPECT_EQ(again->getSize(), 7);
    EXPECT_EQ(std::memcmp(again->getData(), "12345", 5), 0);
    EXPECT_EQ(manager->getCachedSize(), 2u);
    EXPECT_NE(manager->allocate(6)->getData(), buffer) << "a block in use is not handed out";
}

TEST(MemoryManager, RequestsAtOrBeyondTheLastClassAreNeverCached) {
    P<CMemoryManager> manager = make<CMemoryManager>(30);
    EXPECT_EQ(manager->allocate(1 << 30)->getCapacity(), 1 << 30);
    EXPECT_EQ(manager->getCachedSize(), 0u);

    P<CMemoryManager> small = make<CMemoryManager>(3);
    EXPECT_EQ(small->allocate(8)->getCapacity(), 8) << "class 3 is past the last bucket";
    EXPECT_EQ(small->getCachedSize(), 0u);
    // A block grown past the cached classes keeps its bytes and leaves the cache.
    P<IMemoryBlock> block = small->allocate(5);
    std::memcpy(block->getData(), "abcde", 5);
    block->setSize(9);
    EXPECT_GE(block->getCapacity(), 9);
    EXPECT_EQ(std::memcmp(block->getData(), "abcde", 5), 0);
    block->append("0123456789", 10);
    EXPECT_EQ(std::memcmp(block->getData() + 9, "0123456789", 10), 0);
    block = nullptr;
    EXPECT_EQ(small->getCachedSize(), 0u);
}

TEST(MemoryManager, GrowingExchangesTheBufferAndReturnsTheOldOne) {
    P<CMemoryManager> manager = make<CMemoryManager>(30);
    P<IMemoryBlock> block = manager->allocate(5);
    std::memcpy(block->getData(), "abcde", 5);
    const uint8_t* small = block->getData();
    block->setSize(10);
    EXPECT_EQ(block->getCapacity(), 16);
    EXPECT_EQ(std::memcmp(block->getData(), "abcde", 5), 0);
    EXPECT_EQ(manager->getCachedSize(), 4u) << "the 8-byte buffer went back to class 2";
    EXPECT_EQ(manager->allocate(4)->getData(), small);

    block->append("0123456789", 10);
    EXPECT_EQ(block->getCapacity(), 32);
    EXPECT_EQ(std::memcmp(block->getData() + 10, "0123456789", 10), 0);
    block->setCapacity(3);
    EXPECT_EQ(block->getCapacity(), 32) << "a cached buffer never shrinks";
}

TEST(MemoryManagerConcurrency, CachedSizeAccountsForEveryBufferAfterConcurrentUse) {
    P<CMemoryManager> manager = make<CMemoryManager>(30);
    constexpr int threadCount = 4;
    std::vector<std::map<const uint8_t*, int32_t>> classOf(threadCount);
    std::vector<std::thread> threads;
    for (int t = 0; t < threadCount; ++t) {
        threads.emplace_back([&, t] {
            std::mt19937 random(t);
            std::vector<P<IMemoryBlock>> held;
            for (int i = 0; i < 4000; ++i) {
                if (held.size() < 8 && random() % 3 != 0) {
                    const int32_t size = static_cast<int32_t>(random() % 5000);
                    P<IMemoryBlock> block = manager->allocate(size);
                    block->getData()[0] = static_cast<uint8_t>(t);
                    classOf[t][block->getData()] = CMemoryManager::getSizeClass(size);
                    held.push_back(block);
                } else if (!held.empty()) {
                    held.erase(held.begin() + random() % held.size());
                }
            }
        });
    }
    for (std::thread& thread : threads)
        thread.join();
    // Without growth a buffer stays in its class, and with an unbounded cache none is freed,
    // so the distinct buffers seen are exactly those now parked.
    std::map<const uint8_t*, int32_t> all;
    for (const auto& map : classOf)
        all.insert(map.begin(), map.end());
    uint32_t expected = 0;
    for (auto [buffer, sizeClass] : all)
        expected += 1u << sizeClass;
    EXPECT_EQ(manager->getCachedSize(), expected);
}
