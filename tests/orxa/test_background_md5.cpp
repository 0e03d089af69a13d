#include "orxa/flac/CBackgroundMD5.h"
#include "pcmTestSupport.h"
#include "tamu/IMemoryBlock.h"
#include "tamu/IMemoryManager.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <stdexcept>
#include <string>
#include <vector>

using orxa::flac::CBackgroundMD5;
using orxa::testing::newMemoryManager;
using tamu::IMemoryBlock;
using tamu::P;

namespace {

std::string hexOf(const uint8_t digest[16]) {
    std::string text;
    char pair[3];
    for (int i = 0; i < 16; ++i) {
        std::snprintf(pair, sizeof pair, "%02x", digest[i]);
        text += pair;
    }
    return text;
}

P<IMemoryBlock> blockOf(tamu::IMemoryManager& memory, const std::string& bytes) {
    P<IMemoryBlock> block = memory.allocate(static_cast<int32_t>(bytes.size()));
    std::memcpy(block->getData(), bytes.data(), bytes.size());
    return block;
}

// The text in pieces of `piece` bytes (the last shorter), through a queue of `capacity`.
std::string md5InPieces(const std::string& text, size_t piece, size_t capacity) {
    P<tamu::IMemoryManager> memory = newMemoryManager();
    CBackgroundMD5 md5(capacity);
    for (size_t at = 0; at < text.size(); at += piece)
        md5.add(blockOf(*memory, text.substr(at, piece)));
    uint8_t digest[16];
    md5.finish(digest);
    return hexOf(digest);
}

} // namespace

// The test suite of RFC 1321, each message cut at several places and handed over through queues
// that are full at once and that never fill.
TEST(BackgroundMD5, DigestsOfTheReferenceMessagesWhereverTheyAreCut) {
    const struct {
        std::string message;
        const char* digest;
    } cases[] = {
        {"", "d41d8cd98f00b204e9800998ecf8427e"},
        {"a", "0cc175b9c0f1b6a831c399e269772661"},
        {"abc", "900150983cd24fb0d6963f7d28e17f72"},
        {"message digest", "f96b697d7cb7938d525a2f31aaf161d0"},
        {"abcdefghijklmnopqrstuvwxyz", "c3fcd3d76192e4007dfb496cca67e13b"},
        {"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789",
         "d174ab98d277d9f5a5611c2c9f419d9f"},
        {[] {
             std::string digits;
             for (int i = 0; i < 8; ++i)
                 digits += "1234567890";
             return digits;
         }(),
         "57edf4a22be3c955ac49da2e2107b67a"},
    };
    for (const auto& c : cases)
        for (size_t piece : {1, 3, 64, 1000})
            for (size_t capacity : {1, 16}) {
                SCOPED_TRACE(c.message.substr(0, 12) + " in pieces of " + std::to_string(piece) +
                             ", queue " + std::to_string(capacity));
                EXPECT_EQ(md5InPieces(c.message, piece, capacity), c.digest);
            }
}

// Ten thousand blocks through a queue of two: the producer waits for room again and again, and
// the hasher still takes every byte in order.
TEST(BackgroundMD5, ConcurrentHandOverThroughAShortQueue) {
    std::string text;
    for (int i = 0; i < 10000; ++i)
        text += "block " + std::to_string(i) + ";";
    const std::string whole = md5InPieces(text, text.size(), 1);
    EXPECT_EQ(md5InPieces(text, 7, 2), whole);
    // One byte moved changes the digest: the order is the added order.
    std::string swapped = text;
    std::swap(swapped[100], swapped[101]);
    EXPECT_NE(md5InPieces(swapped, 7, 2), whole);
}

TEST(BackgroundMD5, ConcurrentAbandonReleasesWhatIsQueued) {
    P<tamu::IMemoryManager> memory = newMemoryManager();
    std::vector<P<IMemoryBlock>> blocks;
    for (int i = 0; i < 8; ++i)
        blocks.push_back(blockOf(*memory, std::string(4096, static_cast<char>(i))));
    {
        CBackgroundMD5 md5(8);
        for (const P<IMemoryBlock>& block : blocks)
            md5.add(block);
    }
    // Hashed or dropped, the hasher holds none of them once it is gone.
    for (const P<IMemoryBlock>& block : blocks)
        EXPECT_EQ(dynamic_cast<const tamu::CReferencable*>(block.get())->getRefCount(), 1);
}

TEST(BackgroundMD5, AddingAfterFinishIsRefused) {
    P<tamu::IMemoryManager> memory = newMemoryManager();
    CBackgroundMD5 md5(4);
    uint8_t digest[16];
    md5.finish(digest);
    EXPECT_EQ(hexOf(digest), "d41d8cd98f00b204e9800998ecf8427e");
    EXPECT_THROW(md5.add(blockOf(*memory, "late")), std::logic_error);
}
