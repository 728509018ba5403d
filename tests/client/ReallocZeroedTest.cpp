#include <cstring>

#include <gtest/gtest.h>

#include "client/ReallocZeroed.h"

namespace onarim {
namespace {

std::string Bytes(const RawBlock& block) { return std::string(block.data(), block.size()); }

TEST(ReallocZeroedTest, ResizesKeepingThePrefixAndZeroingTheGrownTail) {
    RawBlock block;
    ReallocZeroed(block, 0, 16);
    EXPECT_EQ(Bytes(block), std::string(16, '\0'));

    std::memcpy(block.data(), "0123456789abcdef", 16);
    ReallocZeroed(block, 16, 8);
    EXPECT_EQ(Bytes(block), "01234567");

    ReallocZeroed(block, 8, 12);
    EXPECT_EQ(Bytes(block), std::string("01234567") + std::string(4, '\0'));

    // From size 0 on a block that holds bytes: all of it zero.
    ReallocZeroed(block, 0, 12);
    EXPECT_EQ(Bytes(block), std::string(12, '\0'));

    ReallocZeroed(block, 12, 0);
    EXPECT_TRUE(block.empty());
    EXPECT_EQ(block.size(), 0u);
}

// A caller that claims a larger old size than the block has still gets no uninitialised bytes.
TEST(ReallocZeroedTest, OverstatedOldSizeStillZeroesWhatTheBlockNeverHeld) {
    RawBlock block;
    ReallocZeroed(block, 0, 4);
    std::memcpy(block.data(), "abcd", 4);
    ReallocZeroed(block, 100, 8);
    EXPECT_EQ(Bytes(block), std::string("abcd") + std::string(4, '\0'));
}

} // namespace
} // namespace onarim
