// The flat index of a table's unique keys that the put-back matches rows by.
#include <gtest/gtest.h>

#include <string>

#include "recovery/KeyIndex.h"

namespace onarim {
namespace {

// Keys as the put-back makes them: a length, a colon and the value's bytes, so keys that are
// prefixes of each other, or differ in one byte, hold different marks.
std::string Key(int id) {
    std::string key = "4:";
    key.append(reinterpret_cast<const char*>(&id), sizeof id);
    return key;
}

TEST(KeyIndexTest, FindsEveryKeyWithItsOwnMarksAcrossGrowth) {
    TKeyIndex index;
    constexpr int kKeys = 100000; // many times the first size: it grows a number of times
    for (int id = 0; id < kKeys; ++id) {
        ASSERT_TRUE(index.Insert(Key(id), id % 3 == 0 ? std::string() : std::string(id % 7, 'e')));
    }
    EXPECT_EQ(index.Size(), static_cast<std::size_t>(kKeys));
    for (int id = 0; id < kKeys; ++id) {
        const auto marks = index.Find(Key(id));
        ASSERT_TRUE(marks.has_value()) << id;
        EXPECT_EQ(*marks, id % 3 == 0 ? std::string() : std::string(id % 7, 'e')) << id;
    }
    EXPECT_FALSE(index.Find(Key(kKeys)).has_value());
}

TEST(KeyIndexTest, KeepsTheFirstMarksOfAKeyAndTellsPrefixesApart) {
    TKeyIndex index;
    EXPECT_FALSE(index.Find("1:a").has_value()); // empty: nothing to find, nothing to crash on
    EXPECT_TRUE(index.Insert("1:a", " e"));
    EXPECT_FALSE(index.Insert("1:a", "")); // the row written back does not hide the first
    EXPECT_TRUE(index.Insert("2:ab", "e "));
    EXPECT_TRUE(index.Insert("1:b", ""));
    EXPECT_EQ(index.Find("1:a"), std::optional<std::string_view>(" e"));
    EXPECT_EQ(index.Find("2:ab"), std::optional<std::string_view>("e "));
    EXPECT_EQ(index.Find("1:b"), std::optional<std::string_view>(""));
    EXPECT_FALSE(index.Find("2:a").has_value());
    EXPECT_EQ(index.Size(), 3u);
}

} // namespace
} // namespace onarim
