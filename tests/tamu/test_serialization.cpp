#include "tamu/CMemoryBlock.h"
#include "tamu/CMemoryBlockReader.h"
#include "tamu/CMemoryBlockWriter.h"
#include "tamu/CMemoryManager.h"
#include "tamu/CUTF8String.h"
#include "tamu/TNullString.h"
#include "tamu/str.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <vector>

using namespace tamu;

namespace {

std::vector<uint8_t> bytesOf(const IMemoryBlock& block) {
    return std::vector<uint8_t>(block.getData(), block.getData() + block.getSize());
}

} // namespace

TEST(Serialization, ValuesAreWrittenLittleEndian) {
    P<IMemoryBlock> block = make<CMemoryBlock>();
    CMemoryBlockWriter writer(block);
    writer.writeInt32(0x01020304);
    writer.writeInt32(-2);
    writer.writeDouble(1.0);
    writer.writeString(str("h\xC3\xA9"));
    EXPECT_EQ(bytesOf(*block),
              (std::vector<uint8_t>{4, 3, 2,    1,    0xFE, 0xFF, 0xFF, 0xFF, 0,   0,    0,   0,
                                    0, 0, 0xF0, 0x3F, 3,    0,    0,    0,    'h', 0xC3, 0xA9}));
}

TEST(Serialization, ReaderReadsBackWhatTheWriterWrote) {
    P<IMemoryBlock> block = make<CMemoryBlock>();
    CMemoryBlockWriter writer(block);
    writer.writeInt32(std::numeric_limits<int32_t>::min());
    writer.writeDouble(std::numeric_limits<double>::denorm_min());
    writer.writeString(str(u"gr\u00FC\u00DF \U0001F600"));
    writer.writeString(CNullUTF8String::instance());
    writer.writeBytes("\0\1\2", 3);

    CMemoryBlockReader reader(block);
    EXPECT_EQ(reader.readInt32(), std::numeric_limits<int32_t>::min());
    EXPECT_EQ(reader.readDouble(), std::numeric_limits<double>::denorm_min());
    EXPECT_TRUE(reader.readString()->equals(u"gr\u00FC\u00DF \U0001F600"));
    EXPECT_TRUE(reader.readString()->isNull());
    uint8_t raw[3] = {9, 9, 9};
    reader.readBytes(raw, 3);
    EXPECT_EQ(std::vector<uint8_t>(raw, raw + 3), (std::vector<uint8_t>{0, 1, 2}));
}

TEST(Serialization, ReadingPastTheEndThrowsAndKeepsThePosition) {
    P<IMemoryBlock> block = make<CMemoryBlock>();
    CMemoryBlockWriter writer(block);
    writer.writeInt32(100); // a string length with no text behind it
    writer.writeInt32(7);
    block->setSize(6);
    CMemoryBlockReader reader(block);
    EXPECT_ANY_THROW(reader.readString());
    EXPECT_EQ(reader.readInt32(), 100); // the failed read consumed nothing
    EXPECT_ANY_THROW(reader.readInt32());
    EXPECT_EQ(reader.getPosition(), 4);
}

TEST(Serialization, MemoryBlocksRoundTripThroughAnotherBlock) {
    P<CMemoryManager> manager = make<CMemoryManager>(30);
    P<IMemoryBlock> original = manager->allocate(300);
    for (int i = 0; i < 300; ++i)
        original->getData()[i] = static_cast<uint8_t>(i * 7);
    P<IMemoryBlock> stream = make<CMemoryBlock>();
    CMemoryBlockWriter writer(stream);
    original->serialize(writer);
    make<CMemoryBlock>()->serialize(writer);

    P<IMemoryBlock> copy = manager->allocate(2);
    CMemoryBlockReader reader(stream);
    EXPECT_TRUE(copy->deserialize(reader));
    EXPECT_EQ(copy->compare(*original), 0);
    EXPECT_TRUE(original->deserialize(reader));
    EXPECT_EQ(original->getSize(), 0);
}
