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
        text += static_cast<char>(value >> (8 * i) & 0xFF);
    }
    return text;
}

TEST(DatabaseInfoTest, DecodesTheFactsOfAReply) {
    const std::string end(1, isc_info_end);
    const std::string reply =
        Item(isc_info_ods_version, Number(12, 4)) + Item(isc_info_ods_minor_version, Number(0, 4)) +
        Item(isc_info_page_size, Number(8192, 4)) + Item(isc_info_allocation, Number(344, 4)) +
        Item(isc_info_forced_writes, Number(0, 4)) + Item(isc_info_db_read_only, Number(1, 4)) +
        Item(isc_info_sweep_interval, Number(20000, 4)) +
        Item(isc_info_oldest_transaction, Number(10, 4)) +
        Item(isc_info_oldest_active, Number(11, 4)) +
        Item(isc_info_oldest_snapshot, Number(11, 4)) +
        // A number past 2^31 comes in 8 bytes.
        Item(isc_info_next_transaction, Number(0x100000005ULL, 8)) +
        Item(isc_info_db_sql_dialect, Number(3, 1)) + Item(isc_info_isc_version, "xyz") + end;
    const TDatabaseInfo info = DecodeDatabaseInfo(reply);
    EXPECT_EQ(info.odsMajor, 12);
    EXPECT_EQ(info.odsMinor, 0);
    EXPECT_EQ(info.pageSize, 8192);
    EXPECT_EQ(info.pages, 344);
    EXPECT_EQ(info.forcedWrites, false);
    EXPECT_EQ(info.readOnly, true);
    EXPECT_EQ(info.sweepInterval, 20000);
    EXPECT_EQ(info.oldestTransaction, 10);
    EXPECT_EQ(info.oldestActive, 11);
    EXPECT_EQ(info.oldestSnapshot, 11);
    EXPECT_EQ(info.nextTransaction, 0x100000005LL);
    EXPECT_EQ(info.dialect, 3);
}

TEST(DatabaseInfoTest, RefusesAReplyItCannotRead) {
    const std::string end(1, isc_info_end);
    const std::string pageSize = Item(isc_info_page_size, Number(4096, 4));
    const struct {
        const char* label;
        std::string reply;
        bool readable;
    } cases[] = {
        {"an item the server could not answer is left out",
         Item(isc_info_error, Number(335544382, 4)) + pageSize + end, true},
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
}

} // namespace
} // namespace onarim
