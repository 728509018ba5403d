// The census against the real embedded engine, on sound and on damaged databases.
#include <gtest/gtest.h>

#include "client/IBErrors.h"
#include "client/SqlIdentifier.h"
#include "recovery/DatabaseCensus.h"
#include "support/CensusDatabase.h"
#include "support/DatabaseDamage.h"
#include "support/FirebirdTools.h"
#include "support/ScratchDirectory.h"

namespace onarim {
namespace {

using namespace onarim::testing;

const TCredentials kCredentials{"SYSDBA", "any"};

// What isql counts, as numbers.
std::int64_t IsqlCount(const std::string& database, const std::string& rest) {
    return std::stoll(QueryText(database, "COUNT(*)", rest).at(0));
}

const TTableCensus& Table(const TDatabaseCensus& census, const std::string& name) {
    for (const TTableCensus& table : census.tables) {
        if (table.table == name) {
            return table;
        }
    }
    throw std::runtime_error("no census of " + name);
}

class DatabaseCensusFirebirdTest : public ::testing::Test {
protected:
    void SetUp() override { unsetenv("ONARIM_CLIENT_LIBRARY"); }

    ScratchDirectory scratch{ScratchDirectory::Kind::WithBlanksAndTurkishLetters};
};

TEST_F(DatabaseCensusFirebirdTest, SoundDatabaseCountsWhatIsqlCounts) {
    const TestDatabase database = CreateCensusDatabase(scratch.File("sayım.fdb"));
    const TDatabaseCensus census = TakeCensus(database.path, kCredentials);

    // The views, with or without their source text, hold no rows of their own.
    ASSERT_EQ(census.tables.size(), 2u);
    EXPECT_EQ(census.tables[0].table, kUserTable);
    EXPECT_EQ(census.tables[1].table, kSecondTable);
    for (const TTableCensus& table : census.tables) {
        SCOPED_TRACE(table.table);
        EXPECT_EQ(table.error, "");
        EXPECT_EQ(table.rows, IsqlCount(database.path, "FROM " + QuoteSqlIdentifier(table.table)));
        for (const TColumnCensus& column : table.blobColumns) {
            EXPECT_EQ(column.nonEmptyBlobs,
                      IsqlCount(database.path, "FROM " + QuoteSqlIdentifier(table.table) +
                                                   " WHERE " + "OCTET_LENGTH(" +
                                                   QuoteSqlIdentifier(column.column) + ") > 0"))
                << column.column;
        }
    }
    const TTableCensus& second = census.tables[1];
    EXPECT_EQ(second.rows, kSecondTableRows);
    ASSERT_EQ(second.blobColumns.size(), 2u); // the computed blob stores nothing
    EXPECT_EQ(second.blobColumns[0].column, "Belge");
    EXPECT_EQ(second.blobColumns[0].nonEmptyBlobs, kNonEmptyBelge);
    EXPECT_EQ(second.blobColumns[1].column, "EK");
    EXPECT_EQ(second.blobColumns[1].nonEmptyBlobs, kNonEmptyEk);
}

// Damage to a page of live rows of ITEMS, which sorts before the second table: the census
// must get past it to count the second table.
struct DamageCase {
    DamageKind kind;
    std::optional<std::int64_t> rows; // what ITEMS' rows count gives
    const char* errorStart;
};

// ITEMS' rows have no notes: whatever the reader decodes counts none.

void PrintTo(const DamageCase& damage, std::ostream* out) {
    *out << ToString(damage.kind);
}

class DamagedCensusTest : public DatabaseCensusFirebirdTest,
                          public ::testing::WithParamInterface<DamageCase> {};

TEST_P(DamagedCensusTest, DamagedTableIsUnreadableAndTheNextIsCounted) {
    const DamageCase& damage = GetParam();
    const TestDatabase database =
        CreateCensusDatabase(scratch.File("hasarlı.fdb"), {.rowCount = 200, .deletedRows = false});
    DamageDatabase(database, damage.kind, DamageTarget::LiveRows);

    const TDatabaseCensus census = TakeCensus(database.path, kCredentials);

    const TTableCensus& items = Table(census, kUserTable);
    EXPECT_EQ(items.rows, damage.rows);
    ASSERT_EQ(items.blobColumns.size(), 1u);
    // Where the rows can be counted, so can their blob values, one by one.
    EXPECT_EQ(items.blobColumns[0].nonEmptyBlobs,
              damage.rows ? std::optional<std::int64_t>(0) : std::nullopt);
    EXPECT_EQ(items.error.rfind(damage.errorStart, 0), 0u) << items.error;

    const TTableCensus& second = Table(census, kSecondTable);
    EXPECT_EQ(second.error, "");
    EXPECT_EQ(second.rows, kSecondTableRows);
    ASSERT_EQ(second.blobColumns.size(), 2u);
    EXPECT_EQ(second.blobColumns[0].nonEmptyBlobs, kNonEmptyBelge);
    EXPECT_EQ(second.blobColumns[1].nonEmptyBlobs, kNonEmptyEk);
}

// COUNT(*) steps over records without decoding them, so only a page of the wrong type stops
// it; a damaged record fails the blob count with an internal consistency check, after which
// the attachment is unusable.
INSTANTIATE_TEST_SUITE_P(LiveRows, DamagedCensusTest,
                         ::testing::Values(DamageCase{DamageKind::WrongPageType, std::nullopt,
                                                      "database file appears corrupt"},
                                           DamageCase{DamageKind::RecordLengthPastPage, 200,
                                                      "internal Firebird consistency check"},
                                           DamageCase{DamageKind::GarbledRecordHeader, 200,
                                                      "internal Firebird consistency check"}),
                         [](const auto& info) { return ToString(info.param.kind); });

// A page of short notes with a damaged record. A garbled header fails the one scan, and the
// values are counted one by one; a record length past the page does not stop the engine's
// count. Either way every note is either read or counted unreadable; none goes uncounted.
TEST_F(DatabaseCensusFirebirdTest, BlobValuesThatCannotBeReadAreCountedOneByOne) {
    for (const auto& [kind, unreadable] : {std::pair{DamageKind::RecordLengthPastPage, false},
                                           std::pair{DamageKind::GarbledRecordHeader, true}}) {
        SCOPED_TRACE(ToString(kind));
        const TestDatabase database = CreateCensusDatabase(
            scratch.File(ToString(kind) + ".fdb"), {.rowCount = 600, .deletedRows = false, .notes = true});
        DamageDatabase(database, kind, DamageTarget::LiveBlobs);

        const TDatabaseCensus census = TakeCensus(database.path, kCredentials);
        const TTableCensus& items = Table(census, kUserTable);
        EXPECT_EQ(items.rows, 600);
        ASSERT_TRUE(items.blobColumns.at(0).nonEmptyBlobs.has_value()) << items.error;
        const TColumnCensus& notes = items.blobColumns[0];
        EXPECT_EQ(notes.unreadableBlobs > 0, unreadable) << notes.unreadableBlobs;
        EXPECT_EQ(*notes.nonEmptyBlobs + notes.unreadableBlobs, 600);
    }
}

TEST_F(DatabaseCensusFirebirdTest, DatabaseThatCannotBeAttachedRaises) {
    EXPECT_THROW(TakeCensus(scratch.File("yok.fdb"), kCredentials), EIBInterBaseError);
}

} // namespace
} // namespace onarim
