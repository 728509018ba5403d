// The reader of damaged databases against the real embedded engine.
#include <gtest/gtest.h>

#include <filesystem>
#include <set>

#include "recovery/DamagedDatabaseReader.h"
#include "support/CensusDatabase.h"
#include "support/DatabaseDamage.h"
#include "support/ScratchDirectory.h"

namespace onarim {
namespace {

using namespace onarim::testing;

const TCredentials kCredentials{"SYSDBA", "any"};
constexpr int kRows = 3000;
// Firebird 3's records per 4096-byte data page: (4096 - 28) / (4 + 13).
constexpr std::uint64_t kRecordsPerPage = 239;

struct TableRead {
    std::vector<TReadRow> rows;
    std::vector<TReadProblem> problems;
};

std::map<std::string, TableRead> ReadEverything(const std::string& path) {
    TDamagedDatabaseReader reader(path, kCredentials);
    std::map<std::string, TableRead> tables;
    for (const TTableLayout& table : reader.Tables()) {
        TableRead& read = tables[table.name];
        read.problems =
            reader.ReadTable(table, [&](const TReadRow& row) { read.rows.push_back(row); });
    }
    return tables;
}

// The IDs whose records the damage at `site` hits, by the record numbers of the sound table.
std::set<int> IdsAt(const std::vector<TReadRow>& soundRows, const DamageSite& site) {
    std::set<int> ids;
    for (const TReadRow& row : soundRows) {
        const bool onPage = row.recordNumber / kRecordsPerPage == site.sequence;
        const bool inSlot = row.recordNumber % kRecordsPerPage == static_cast<unsigned>(site.slot);
        if (onPage && (site.slot < 0 || inSlot)) {
            ids.insert(static_cast<int>(row.values[0].AsInteger()));
        }
    }
    return ids;
}

struct Damage {
    DamageKind kind;
    DamageTarget target;
    int occurrence;
};

struct ReaderCase {
    const char* name;
    std::vector<Damage> damages;
};

void PrintTo(const ReaderCase& c, std::ostream* out) {
    *out << c.name;
}

class DamagedDatabaseReaderTest : public ::testing::TestWithParam<ReaderCase> {
protected:
    void SetUp() override { unsetenv("ONARIM_CLIENT_LIBRARY"); }
    ScratchDirectory scratch;
};

TEST_P(DamagedDatabaseReaderTest, YieldsEveryReadableRowAndBlobAndReportsTheRest) {
    const TestDatabase database = CreateCensusDatabase(
        scratch.File("okuma.fdb"), {.rowCount = kRows, .deletedRows = false, .notes = true});
    const std::string sound = scratch.File("sağlam.fdb");
    std::filesystem::copy_file(database.path, sound);
    const std::vector<TReadRow> soundRows = ReadEverything(sound)[kUserTable].rows;
    ASSERT_EQ(soundRows.size(), static_cast<std::size_t>(kRows));

    std::set<int> lostRows, lostNotes;
    for (const Damage& damage : GetParam().damages) {
        const DamageSite site =
            DamageDatabase(database, damage.kind, damage.target, damage.occurrence);
        if (damage.target == DamageTarget::LiveRows) {
            const std::set<int> ids = IdsAt(soundRows, site);
            ASSERT_FALSE(ids.empty()) << site.Describe();
            lostRows.insert(ids.begin(), ids.end());
        }
    }

    auto tables = ReadEverything(database.path);

    const TableRead& second = tables[kSecondTable];
    EXPECT_EQ(second.rows.size(), static_cast<std::size_t>(kSecondTableRows));
    EXPECT_TRUE(second.problems.empty());

    const TableRead& items = tables[kUserTable];
    std::set<int> readIds;
    std::uint64_t previous = 0;
    for (const TReadRow& row : items.rows) {
        EXPECT_TRUE(readIds.empty() || row.recordNumber > previous) << "not in record order";
        previous = row.recordNumber;
        const int id = static_cast<int>(row.values[0].AsInteger());
        ASSERT_TRUE(id >= 1 && id <= kRows) << "a row that was never stored: ID " << id;
        readIds.insert(id);
        EXPECT_EQ(row.values[1].AsText(), ExpectedRows(id).back().name);
        if (row.blobs[2]) {
            EXPECT_EQ(*row.blobs[2], ExpectedNote(id));
        } else {
            lostNotes.insert(id);
        }
    }
    for (int id = 1; id <= kRows; ++id) {
        EXPECT_EQ(readIds.count(id), lostRows.count(id) ? 0u : 1u) << "ID " << id;
    }
    // Every row and note not read is reported, a row by its records, a note by its key.
    std::size_t reportedNotes = 0;
    bool rowsReported = lostRows.empty();
    for (const TReadProblem& problem : items.problems) {
        SCOPED_TRACE(problem.Describe());
        EXPECT_FALSE(problem.message.empty());
        if (problem.column.empty()) {
            rowsReported = true;
        } else {
            EXPECT_EQ(problem.column, "NOTE");
            EXPECT_EQ(problem.key.rfind("ID=", 0), 0u);
            ++reportedNotes;
        }
    }
    EXPECT_TRUE(rowsReported);
    EXPECT_EQ(reportedNotes, lostNotes.size());
    const bool blobsDamaged =
        std::any_of(GetParam().damages.begin(), GetParam().damages.end(),
                    [](const Damage& d) { return d.target == DamageTarget::LiveBlobs; });
    EXPECT_EQ(lostNotes.empty(), !blobsDamaged);
}

INSTANTIATE_TEST_SUITE_P(
    Damages, DamagedDatabaseReaderTest,
    ::testing::Values(ReaderCase{"TwoBadRecords",
                                 {{DamageKind::GarbledRecordHeader, DamageTarget::LiveRows, 1},
                                  {DamageKind::RecordLengthPastPage, DamageTarget::LiveRows, 5}}},
                      // The fixtures find no page after one of the wrong type: that one comes last.
                      ReaderCase{"BadRecordAndPageOfWrongType",
                                 {{DamageKind::GarbledRecordHeader, DamageTarget::LiveRows, 6},
                                  {DamageKind::WrongPageType, DamageTarget::LiveRows, 2}}},
                      // The engine reads a page of garbage as rows of blanks and zeros, or fails a
                      // consistency check on every record of it; nothing of it is the table's.
                      ReaderCase{"BadRecordAndPageOfGarbage",
                                 {{DamageKind::GarbledRecordHeader, DamageTarget::LiveRows, 1},
                                  {DamageKind::GarbledContents, DamageTarget::LiveRows, 4}}},
                      ReaderCase{"BadBlobPageAndBadRecord",
                                 {{DamageKind::RecordLengthPastPage, DamageTarget::LiveBlobs, 0},
                                  {DamageKind::GarbledRecordHeader, DamageTarget::LiveRows, 3}}}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
} // namespace onarim
