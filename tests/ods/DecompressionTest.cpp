// The run-length decoding of record data: what it builds, and that garbage cannot make it
// read past its input or grow without bound.
#include <gtest/gtest.h>

#include "ods/Decompression.h"

namespace onarim::ods {
namespace {

using Bytes = std::vector<std::uint8_t>;

// RDB$PAGES line 0 of a real database: page 3, relation 0, sequence 0, type 4.
TEST(DecompressionTest, DecodesARealRdbPagesRecord) {
    const Bytes packed = {0x01, 0xF0, 0xFD, 0x00, 0x01, 0x03, 0xF5, 0x00, 0x02, 0x04, 0x00};
    const Bytes expected = {0xF0, 0, 0, 0, 3, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 4, 0};
    EXPECT_EQ(Decompress(packed, 18), expected);
}

struct Case {
    const char* name;
    Bytes packed;
    std::size_t limit;
    Bytes decoded; // empty with `fails`
    bool fails;
};

class DecompressionCaseTest : public ::testing::TestWithParam<Case> {};

TEST_P(DecompressionCaseTest, DecodesOrRefuses) {
    const Case& c = GetParam();
    if (c.fails) {
        EXPECT_THROW(Decompress(c.packed, c.limit), EOdsError);
    } else {
        EXPECT_EQ(Decompress(c.packed, c.limit), c.decoded);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, DecompressionCaseTest,
    ::testing::Values(
        // Any negative control byte repeats, also -1 and -2 the compressor never writes.
        Case{"RepeatOfOne", {0xFF, 0x41}, 10, {0x41}, false},
        Case{"RepeatOfTwo", {0xFE, 0x41, 0x01, 0x42}, 10, {0x41, 0x41, 0x42}, false},
        Case{"ZeroAddsNothing", {0x00, 0x01, 0x07, 0x00}, 10, {0x07}, false},
        Case{"RepeatOf128", {0x80, 0x09}, 128, Bytes(128, 0x09), false},
        Case{"LiteralPastTheEnd", {0x05, 1, 2}, 10, {}, true},
        Case{"RepeatWithoutItsByte", {0x01, 1, 0xFD}, 10, {}, true},
        Case{"LiteralPastTheLimit", {0x04, 1, 2, 3, 4}, 3, {}, true},
        Case{"RepeatPastTheLimit", {0x80, 0x00}, 127, {}, true}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(DecompressionTest, FragmentsDecodeOneAfterTheOtherWithinOneLimit) {
    Bytes out;
    DecompressInto(Bytes{0x02, 1, 2}, 4, out);
    DecompressInto(Bytes{0xFE, 3}, 4, out);
    EXPECT_EQ(out, (Bytes{1, 2, 3, 3}));
    EXPECT_THROW(DecompressInto(Bytes{0x01, 9}, 4, out), EOdsError);
}

} // namespace
} // namespace onarim::ods
