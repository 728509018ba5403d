// Putting back what the repair lost, against the real embedded engine and tools.
#include <gtest/gtest.h>

#include <filesystem>

#include "recovery/DamagedDatabaseReader.h"
#include "recovery/LostDataRecovery.h"
#include "support/CensusDatabase.h"
#include "support/DatabaseDamage.h"
#include "support/FirebirdTools.h"
#include "support/ScratchDirectory.h"

namespace onarim {
namespace {

using namespace onarim::testing;

const TCredentials kCredentials{"SYSDBA", "any"};
constexpr int kRows = 3000;

// ID -> NAME and ID -> NOTE of ITEMS as the reader finds them in a copy of `path`.
struct Readable {
    std::map<int, std::string> names, notes;
};

Readable ReadableItems(const ScratchDirectory& scratch, const std::string& path) {
    const std::string copy = scratch.File("okunabilir.fdb");
    std::filesystem::copy_file(path, copy);
    TDamagedDatabaseReader reader(copy, kCredentials);
    Readable readable;
    for (const TTableLayout& table : reader.Tables()) {
        if (table.name != kUserTable) {
            continue;
        }
        reader.ReadTable(table, [&](const TReadRow& row) {
            const int id = static_cast<int>(row.values[0].AsInteger());
            readable.names[id] = row.values[1].AsText();
            if (row.blobs[2]) {
                readable.notes[id] = *row.blobs[2];
            }
        });
    }
    return readable;
}

// The repair's tools: the mending validation, gbak backup and restore over the database.
void MendBackUpAndRestore(const ScratchDirectory& scratch, const std::string& database) {
    ServiceRepairValidation(database);
    const std::string backup = scratch.File("yedek.gbk");
    const ToolResult backedUp =
        RunTool({"gbak", "-B", "-user", "SYSDBA", "-password", kSysdbaPassword, database, backup});
    ASSERT_TRUE(backedUp.Succeeded()) << backedUp.Describe();
    const ToolResult restored = RunTool(
        {"gbak", "-REP", "-O", "-user", "SYSDBA", "-password", kSysdbaPassword, backup, database});
    ASSERT_TRUE(restored.Succeeded()) << restored.Describe();
}

const TTableRecovery& Recovered(const TRecoveryResult& result, const std::string& table) {
    for (const TTableRecovery& recovery : result.tables) {
        if (recovery.table == table) {
            return recovery;
        }
    }
    throw std::runtime_error("no result for " + table);
}

struct LossCase {
    const char* name;
    DamageKind kind;
    DamageTarget target;
    // The repaired database is the run's own: read from its pages, and only the table the
    // counts named is put back. The kept copy is then read as one whose pages were not mended.
    bool runOwnsRepaired = false;
};

void PrintTo(const LossCase& c, std::ostream* out) {
    *out << c.name;
}

class LostDataRecoveryTest : public ::testing::TestWithParam<LossCase> {
protected:
    void SetUp() override { unsetenv("ONARIM_CLIENT_LIBRARY"); }
    ScratchDirectory scratch;
};

// The mend drops the whole page around one bad record; gbak then leaves out the rows (or the
// blobs) that stood on it. Everything the damaged copy still gives must come back.
TEST_P(LostDataRecoveryTest, PutsBackEveryRowAndBlobReadableInTheCopy) {
    const TestDatabase database = CreateCensusDatabase(
        scratch.File("onarılan.fdb"), {.rowCount = kRows, .deletedRows = false, .notes = true});
    DamageDatabase(database, GetParam().kind, GetParam().target);
    const std::string kept = scratch.File("kopya.fdb");
    std::filesystem::copy_file(database.path, kept);
    const Readable readable = ReadableItems(scratch, kept);
    MendBackUpAndRestore(scratch, database.path);
    const std::size_t rowsBefore = ReadRows(database.path).size();
    std::size_t notesBefore = 0;
    for (const auto& [id, note] : ReadNotes(database.path)) {
        notesBefore += note.empty() ? 0 : 1;
    }
    ASSERT_TRUE(rowsBefore < readable.names.size() || notesBefore < readable.notes.size())
        << "the repair lost nothing readable";

    std::vector<std::string> progress;
    const std::string engineCopy = scratch.File("okuma.fdb");
    const bool own = GetParam().runOwnsRepaired;
    const TRecoveryResult result =
        PutBackLostData({kept, engineCopy, !own},
                        {database.path, own,
                         own ? std::vector<std::string>{kUserTable} : std::vector<std::string>{}},
                        kCredentials, [&](const std::string& line) { progress.push_back(line); });

    const TTableRecovery& items = Recovered(result, kUserTable);
    EXPECT_FALSE(items.noUniqueKey);
    EXPECT_EQ(items.rowsPutBack, static_cast<std::int64_t>(readable.names.size() - rowsBefore));
    EXPECT_EQ(items.blobsPutBack, static_cast<std::int64_t>(readable.notes.size() - notesBefore));
    // Everything came from the kept copy's pages: no copy for the engine was needed.
    EXPECT_EQ(items.rawRows, items.rowsPutBack);
    EXPECT_EQ(items.rawBlobs, items.blobsPutBack);
    EXPECT_FALSE(std::filesystem::exists(engineCopy));
    const std::vector<TableRow> rows = ReadRows(database.path);
    ASSERT_EQ(rows.size(), readable.names.size());
    for (const TableRow& row : rows) {
        EXPECT_EQ(row.name, readable.names.at(row.id));
    }
    const std::map<int, std::string> notes = ReadNotes(database.path);
    for (const auto& [id, note] : readable.notes) {
        EXPECT_EQ(notes.at(id), note) << "ID " << id;
    }
    if (own) {
        EXPECT_EQ(result.tables.size(), 1u);
    } else {
        EXPECT_EQ(Recovered(result, kSecondTable).rowsPutBack, 0);
    }
    EXPECT_FALSE(progress.empty());
    EXPECT_TRUE(ReadOnlyValidation(database.path).Clean());
}

INSTANTIATE_TEST_SUITE_P(
    Mended, LostDataRecoveryTest,
    ::testing::Values(
        LossCase{"PageOfRows", DamageKind::RecordLengthPastPage, DamageTarget::LiveRows},
        LossCase{"PageOfBlobs", DamageKind::RecordLengthPastPage, DamageTarget::LiveBlobs},
        LossCase{"PageOfRowsIntoOwnDatabase", DamageKind::RecordLengthPastPage,
                 DamageTarget::LiveRows, true},
        LossCase{"PageOfBlobsIntoOwnDatabase", DamageKind::RecordLengthPastPage,
                 DamageTarget::LiveBlobs, true}),
    [](const auto& info) { return std::string(info.param.name); });

// Rows of a table without a unique key cannot be matched: the table is named, nothing is
// guessed. A trigger that would change rows written back stays out of the way and comes back.
TEST(LostDataRecoveryUnkeyedTest, NamesTheTableWithoutUniqueKeyAndWritesNothingThere) {
    unsetenv("ONARIM_CLIENT_LIBRARY");
    ScratchDirectory scratch;
    const TestDatabase database = CreateCensusDatabase(scratch.File("anahtarsız.fdb"),
                                                       {.rowCount = 50, .deletedRows = false});
    const std::string copy = scratch.File("kopya.fdb");
    std::filesystem::copy_file(database.path, copy);
    const std::string second = "\"" + std::string("Ödeme \"\"kayıtları\"\" 2") + "\"";
    RunIsqlScript("DELETE FROM " + second +
                      " WHERE ID <= 3;\n"
                      "DELETE FROM ITEMS WHERE ID BETWEEN 10 AND 14;\n"
                      "SET TERM ^;\n"
                      "CREATE TRIGGER RENAME_ITEMS FOR ITEMS BEFORE INSERT AS BEGIN"
                      " NEW.NAME = 'changed'; END^\n"
                      "SET TERM ;^\n"
                      "COMMIT;\n",
                  database.path);

    const TRecoveryResult result =
        PutBackLostData({copy, scratch.File("okuma.fdb")}, {database.path}, kCredentials);

    const TTableRecovery& unkeyed = Recovered(result, kSecondTable);
    EXPECT_TRUE(unkeyed.noUniqueKey);
    EXPECT_EQ(unkeyed.rowsPutBack, 0);
    ASSERT_FALSE(unkeyed.problems.empty());
    const TTableRecovery& items = Recovered(result, kUserTable);
    EXPECT_EQ(items.rowsPutBack, 5);
    EXPECT_TRUE(items.problems.empty()) << items.problems.front();
    EXPECT_EQ(ReadRows(database.path), ExpectedRows(50));
    EXPECT_EQ(QueryText(database.path, "RDB$TRIGGER_INACTIVE",
                        "FROM RDB$TRIGGERS WHERE RDB$TRIGGER_NAME = 'RENAME_ITEMS'"),
              std::vector<std::string>{"0"});
}

} // namespace
} // namespace onarim
