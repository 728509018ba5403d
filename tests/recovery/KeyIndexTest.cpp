// The flat index of a table's unique keys that the put-back matches rows by.
#include <gtest/gtest.h>

#include <string>

#include "recovery/KeyIndex.h"

namespace onarim {
namespace {

// Keys as the put-back makes them: a length, a colon and the value's bytes.
std::string Key(int id) {
    std::string key = "4:";
    key.append(reinterpret_cast<const char*>(&id), sizeof id);
    return key;
}

// Many times the first size, so it grows a number of times; a key added again (a row written
// back) keeps its first marks; a key that is a prefix of another matches nothing.
TEST(KeyIndexTest, FindsEveryKeyWithItsOwnMarksAcrossGrowth) {
    TKeyIndex index;
    EXPECT_FALSE(index.Find(Key(0)).has_value());
    const auto marks = [](int id) { return std::string(id % 7, 'e'); };
    constexpr int kKeys = 100000;
    for (int id = 0; id < kKeys; ++id) {
        ASSERT_TRUE(index.Insert(Key(id), marks(id)));
    }
    EXPECT_FALSE(index.Insert(Key(5), ""));
    EXPECT_EQ(index.Size(), static_cast<std::size_t>(kKeys));
    for (int id = 0; id < kKeys; ++id) {
        ASSERT_EQ(index.Find(Key(id)), std::optional<std::string_view>(marks(id))) << id;
    }
    EXPECT_FALSE(index.Find(Key(kKeys)).has_value());
    EXPECT_FALSE(index.Find(Key(1).substr(0, 5)).has_value());
}

} // namespace
} // namespace onarim
