// RDB$DB_KEY bytes as Firebird 3 exchanges them: the record number is stored plus one.
#include <gtest/gtest.h>

#include <stdexcept>

#include "recovery/DatabaseKey.h"

namespace onarim {
namespace {

struct KeyCase {
    TDatabaseKey key;
    const char* bytes; // 8 bytes
};

// Keys seen from the engine: relation 128, the first record on data page 1 (239 records to a
// 4096-byte page) is stored as 240; record numbers past 32 bits carry their high byte in byte 2.
TEST(DatabaseKeyTest, EncodesAndDecodesAsTheEngineDoes) {
    const KeyCase cases[] = {
        {{128, 0}, "\x80\x00\x00\x00\x01\x00\x00\x00"},
        {{128, 239}, "\x80\x00\x00\x00\xF0\x00\x00\x00"},
        {{0x1234, 0x0102030404}, "\x34\x12\x01\x00\x05\x04\x03\x02"},
        {{1, kMaxRecordNumber}, "\x01\x00\xFF\x00\xFF\xFF\xFF\xFF"},
    };
    for (const KeyCase& c : cases) {
        const std::string bytes(c.bytes, 8);
        EXPECT_EQ(EncodeDatabaseKey(c.key), bytes) << c.key.recordNumber;
        EXPECT_EQ(DecodeDatabaseKey(bytes), c.key) << c.key.recordNumber;
    }
}

TEST(DatabaseKeyTest, RefusesBytesThatNameNoRecord) {
    for (const std::string& bytes : {std::string(7, '\x01'), std::string(9, '\x01'),
                                     std::string("\x80\x00\x00\x00\x00\x00\x00\x00", 8)}) {
        EXPECT_THROW(DecodeDatabaseKey(bytes), std::invalid_argument) << bytes.size();
    }
}

} // namespace
} // namespace onarim
