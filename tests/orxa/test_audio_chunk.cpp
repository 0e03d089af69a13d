#include "orxa/audio/CAudioChunk.h"
#include "pcmTestSupport.h"
#include "tamu/CMemoryBlockReader.h"
#include "tamu/CMemoryBlockWriter.h"

#include <gtest/gtest.h>

#include <cstring>

using orxa::audio::CAudioChunk;
using orxa::audio::IAudioChunk;
using orxa::testing::bytesOf;
using orxa::testing::newMemoryManager;
using orxa::testing::refCountOf;
using tamu::IMemoryBlock;
using tamu::P;

namespace {

P<IMemoryBlock> blockWith(const char* text) {
    static P<tamu::IMemoryManager> manager = newMemoryManager();
    P<IMemoryBlock> block = manager->allocate(0);
    block->assign(text, static_cast<int32_t>(std::strlen(text)));
    return block;
}

} // namespace

TEST(AudioChunk, ReportsTheTimeAndTheBlocksCurrentBytes) {
    P<IMemoryBlock> block = blockWith("abcd");
    P<IAudioChunk> chunk = tamu::adopt<IAudioChunk>(new CAudioChunk(1.25, block.get()));
    EXPECT_EQ(chunk->getTime(), 1.25);
    EXPECT_EQ(chunk->getSize(), 4);
    EXPECT_EQ(chunk->getData(), block->getData());
    // A producer refilling the block it still holds changes what the chunk shows.
    block->assign("xyz", 3);
    EXPECT_EQ(chunk->getSize(), 3);
    EXPECT_EQ(std::memcmp(chunk->getData(), "xyz", 3), 0);
    block->setSize(0);
    EXPECT_EQ(chunk->getSize(), 0);
}

TEST(AudioChunk, SharesItsBlockAndReleasesItOnce) {
    P<IMemoryBlock> block = blockWith("pcm");
    const int32_t alone = refCountOf(block.get());
    {
        P<IAudioChunk> one = tamu::adopt<IAudioChunk>(new CAudioChunk(0.0, block.get()));
        P<IAudioChunk> two = tamu::adopt<IAudioChunk>(new CAudioChunk(0.5, block.get()));
        EXPECT_EQ(refCountOf(block.get()), alone + 2);
        EXPECT_EQ(one->getData(), two->getData());
        P<IMemoryBlock> same = one->getMemoryBlock();
        EXPECT_EQ(same.get(), block.get());
        EXPECT_EQ(refCountOf(block.get()), alone + 3);
    }
    EXPECT_EQ(refCountOf(block.get()), alone);
}

TEST(AudioChunk, SerialisesItsTimeAndBytes) {
    P<IMemoryBlock> stored = newMemoryManager()->allocate(0);
    auto writer = tamu::make<tamu::CMemoryBlockWriter>(stored);
    P<IAudioChunk> original =
        tamu::adopt<IAudioChunk>(new CAudioChunk(3.5, blockWith("\x01\x02pcm\x00\xff").get()));
    original->serialize(*writer);
    P<IAudioChunk> empty = tamu::adopt<IAudioChunk>(new CAudioChunk(-1.0, nullptr));
    empty->serialize(*writer);

    auto reader = tamu::make<tamu::CMemoryBlockReader>(stored);
    P<IMemoryBlock> target = newMemoryManager()->allocate(0);
    P<IAudioChunk> copy = tamu::adopt<IAudioChunk>(new CAudioChunk(0.0, target.get()));
    ASSERT_TRUE(copy->deserialize(*reader));
    EXPECT_EQ(copy->getTime(), 3.5);
    EXPECT_EQ(bytesOf(*copy), bytesOf(*original));
    // A chunk without a block reads back as an empty one.
    ASSERT_TRUE(copy->deserialize(*reader));
    EXPECT_EQ(copy->getTime(), -1.0);
    EXPECT_EQ(copy->getSize(), 0);
    EXPECT_EQ(reader->getRemaining(), 0);
}

TEST(AudioChunk, WithoutABlockIsEmptyAndRefusesToDeserialise) {
    P<IAudioChunk> chunk = tamu::adopt<IAudioChunk>(new CAudioChunk(7.0, nullptr));
    EXPECT_EQ(chunk->getSize(), 0);
    EXPECT_EQ(chunk->getData(), nullptr);
    EXPECT_TRUE(chunk->getMemoryBlock().isNull());

    P<IMemoryBlock> stored = newMemoryManager()->allocate(0);
    auto writer = tamu::make<tamu::CMemoryBlockWriter>(stored);
    tamu::adopt<IAudioChunk>(new CAudioChunk(1.0, blockWith("ab").get()))->serialize(*writer);
    auto reader = tamu::make<tamu::CMemoryBlockReader>(stored);
    EXPECT_FALSE(chunk->deserialize(*reader));
    EXPECT_EQ(chunk->getTime(), 7.0);
    EXPECT_EQ(reader->getPosition(), 0);
}
