#include <gtest/gtest.h>

#include "client/DatabaseInfo.h"
#include "client/FirebirdApi.h"
#include "client/IBErrors.h"

namespace onarim {
namespace {

// One reply item: its code, a two-byte length and the value's bytes.
std::string Item(char code, std::string value) {
    return std::string{code, static_cast<char>(value.size()), 0} + value;
}

std::string Number(std::uint64_t value, int bytes) {
    std::string text;
    for (int i = 0; i < bytes; ++i) {
        text += static_cast<char>(i < 8 ? value >> (8 * i) & 0xFF : 0);
    }
    return text;
}

// The regular items are read against the real server (CheckCliFirebirdTest); here what it
// seldom sends.
TEST(DatabaseInfoTest, ReadsWideNumbersAndRefusesAReplyItCannotRead) {
    const std::string end(1, isc_info_end);
    const std::string pageSize = Item(isc_info_page_size, Number(4096, 4));
    const struct {
        const char* label;
        std::string reply;
        bool readable;
    } cases[] = {
        {"an item the server could not answer is left out",
         Item(isc_info_error, Number(335544382, 4)) + pageSize + end, true},
        {"items not asked for are passed over", Item(isc_info_isc_version, "xyz") + pageSize + end,
         true},
        {"no end", pageSize, false},
        {"truncated", pageSize + std::string(1, isc_info_truncated), false},
        {"an item past the reply", pageSize.substr(0, pageSize.size() - 1) + end, false},
        {"a number of 9 bytes", Item(isc_info_page_size, Number(1, 9)) + end, false},
        {"empty", "", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        if (c.readable) {
            EXPECT_EQ(DecodeDatabaseInfo(c.reply).pageSize, 4096);
        } else {
            EXPECT_THROW(DecodeDatabaseInfo(c.reply), EIBClientError);
        }
    }
    // Past 2^31 a transaction number comes in 8 bytes.
    EXPECT_EQ(DecodeDatabaseInfo(Item(isc_info_next_transaction, Number(0x100000005ULL, 8)) + end)
                  .nextTransaction,
              0x100000005LL);
}

} // namespace
} // namespace onarim
