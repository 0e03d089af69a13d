// Only the stream's own header: building a stream with its default arguments and taking its
// block and URI (counted pointers the caller then releases) must need nothing else.
#include "tamu/CMemoryIOStream.h"

#include <gtest/gtest.h>

TEST(MemoryStream, UsableWithItsOwnHeaderAlone) {
    auto stream = tamu::make<tamu::CMemoryIOStream>();
    stream->write("ab", 2);
    EXPECT_EQ(stream->getLength(), 2);
    EXPECT_EQ(stream->getMemoryBlock()->getSize(), 2);
    EXPECT_FALSE(stream->getURI());
}
