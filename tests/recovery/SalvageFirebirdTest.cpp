// Salvage of a database whose backup fails, against the real embedded engine and gbak.
#include <gtest/gtest.h>

#include <filesystem>

#include "recovery/Salvage.h"
#include "support/CensusDatabase.h"
#include "support/DatabaseDamage.h"
#include "support/FirebirdTools.h"
#include "support/ScratchDirectory.h"

namespace onarim {
namespace {

using namespace onarim::testing;

const TCredentials kCredentials{"SYSDBA", "any"};
constexpr int kRows = 3000;

TGbakRun RunGbak(const std::vector<std::string>& arguments) {
    std::vector<std::string> command{"gbak", "-user", "SYSDBA", "-password", kSysdbaPassword};
    command.insert(command.end(), arguments.begin(), arguments.end());
    const ToolResult run = RunTool(command);
    return {run.exitCode, run.output};
}

std::vector<std::string> Column(const std::string& database, const std::string& expression,
                                const std::string& rest) {
    return QueryText(database, expression, rest);
}

// A page of rows of the wrong type stops gbak's backup; salvage still gets every row with its
// note, those of that page read from the pages of the original, the sequence's value, and
// active indexes and triggers.
TEST(SalvageTest, BuildsANewDatabaseWithEveryReadableRowWhenTheBackupFails) {
    unsetenv("ONARIM_CLIENT_LIBRARY");
    ScratchDirectory scratch;
    const TestDatabase database = CreateCensusDatabase(
        scratch.File("kurtarılacak.fdb"), {.rowCount = kRows, .deletedRows = false, .notes = true});
    RunIsqlScript("CREATE SEQUENCE ITEM_NUMBERS; ALTER SEQUENCE ITEM_NUMBERS RESTART WITH 4321;\n"
                  "CREATE INDEX ITEMS_BY_NAME ON ITEMS (NAME);\n"
                  "CREATE INDEX ITEMS_OFF ON ITEMS (NAME); ALTER INDEX ITEMS_OFF INACTIVE;\n"
                  "SET TERM ^;\n"
                  "CREATE TRIGGER NUMBER_ITEMS FOR ITEMS BEFORE INSERT AS BEGIN"
                  " NEW.ID = NEXT VALUE FOR ITEM_NUMBERS; END^\n"
                  "SET TERM ;^\nCOMMIT;\n",
                  database.path);
    DamageDatabase(database, DamageKind::WrongPageType, DamageTarget::LiveRows, 1);
    const TGbakRun backup = RunGbak({"-B", database.path, scratch.File("tam.gbk")});
    ASSERT_NE(backup.exitCode, 0) << "the backup was meant to fail";

    const std::string salvaged = scratch.File("kurtarılan.fdb");
    std::vector<std::string> progress;
    const TSalvageResult result =
        SalvageDatabase({database.path, database.path}, salvaged, kCredentials, RunGbak,
                        [&](const std::string& line) { progress.push_back(line); });

    ASSERT_EQ(result.tables.size(), 2u);
    const TTableRecovery& items = result.tables[0];
    EXPECT_EQ(items.table, kUserTable);
    EXPECT_TRUE(items.problems.empty()) << items.problems.front();
    const std::vector<TableRow> rows = ReadRows(salvaged);
    EXPECT_EQ(items.rowsPutBack, static_cast<std::int64_t>(rows.size()));
    EXPECT_EQ(rows.size(), static_cast<std::size_t>(kRows));
    EXPECT_EQ(items.rawRows, items.rowsPutBack);
    const std::vector<TableRow> expected = ExpectedRows(kRows);
    for (const TableRow& row : rows) {
        EXPECT_EQ(row, expected.at(static_cast<std::size_t>(row.id - 1))); // not renumbered
    }
    const std::map<int, std::string> notes = ReadNotes(salvaged);
    EXPECT_EQ(items.blobsPutBack, static_cast<std::int64_t>(notes.size()));
    EXPECT_EQ(notes.size(), rows.size());
    for (const auto& [id, note] : notes) {
        EXPECT_EQ(note, ExpectedNote(id));
    }
    EXPECT_EQ(result.tables[1].rowsPutBack, kSecondTableRows);
    EXPECT_TRUE(result.inactiveIndexes.empty());
    EXPECT_TRUE(result.inactiveTriggers.empty());
    EXPECT_TRUE(result.unsetSequences.empty());
    EXPECT_EQ(Column(salvaged, "GEN_ID(ITEM_NUMBERS, 0)", "FROM RDB$DATABASE"),
              std::vector<std::string>{"4321"});
    EXPECT_EQ(
        Column(salvaged, "TRIM(RDB$INDEX_NAME)", "FROM RDB$INDICES WHERE RDB$INDEX_INACTIVE = 1"),
        std::vector<std::string>{"ITEMS_OFF"});
    EXPECT_EQ(Column(salvaged, "RDB$TRIGGER_INACTIVE",
                     "FROM RDB$TRIGGERS WHERE RDB$TRIGGER_NAME = 'NUMBER_ITEMS'"),
              std::vector<std::string>{"0"});
    EXPECT_FALSE(std::filesystem::exists(salvaged + ".metadata.gbk"));
    EXPECT_FALSE(progress.empty());
}

TEST(SalvageTest, RefusesATargetThatExists) {
    unsetenv("ONARIM_CLIENT_LIBRARY");
    ScratchDirectory scratch;
    const TestDatabase database = CreateCensusDatabase(scratch.File("kaynak.fdb"));
    const std::string existing = scratch.WriteFile("var.fdb", "keep me").string();
    EXPECT_THROW(SalvageDatabase({database.path, database.path}, existing, kCredentials, RunGbak),
                 ESalvageError);
    EXPECT_EQ(Column(database.path, "COUNT(*)", "FROM ITEMS"), std::vector<std::string>{"200"});
}

} // namespace
} // namespace onarim
