// The repair done by hand with the real tools, step by step as the repair program does it:
// (1) service repair with mend, (2) gfix -V -FULL, (3) gbak -B to BACKUP.GBK beside the
// database, (4) gbak -REP -O from it when (3) exited with 0 and left the file, (5) delete
// BACKUP.GBK, (6) service repair again. It shows which damage the fixtures make the repair
// mends before the repair program exists, and what Firebird 3.0.11 does with the rest.
#include <filesystem>
#include <optional>

#include <gtest/gtest.h>

#include "support/DatabaseDamage.h"
#include "support/DatabasePages.h"
#include "support/FirebirdTools.h"
#include "support/FixtureError.h"
#include "support/ScratchDirectory.h"

namespace onarim::testing {
namespace {

struct RepairOutcome {
    ValidationResult first;
    ToolResult fullValidation;
    ToolResult backup;
    std::optional<ToolResult> restore;
    bool backupLeftBehind = false;
    ValidationResult second;

    std::string Describe() const {
        return first.run.Describe() + "\n" + fullValidation.Describe() + "\n" + backup.Describe() +
               "\n" + (restore ? restore->Describe() : "no restore") + "\n" + second.run.Describe();
    }
};

RepairOutcome RepairByHand(const std::string& database) {
    const std::string backupFile =
        (std::filesystem::path(database).parent_path() / "BACKUP.GBK").string();
    const std::string password = kSysdbaPassword;
    RepairOutcome outcome;
    outcome.first = ServiceRepairValidation(database);
    outcome.fullValidation =
        RunTool({"gfix", "-V", "-FULL", "-USER", "SYSDBA", "-PASSWORD", password, database});
    outcome.backup =
        RunTool({"gbak", "-B", "-USER", "SYSDBA", "-PASSWORD", password, database, backupFile});
    if (outcome.backup.Succeeded() && std::filesystem::exists(backupFile)) {
        outcome.restore = RunTool(
            {"gbak", "-REP", "-O", "-USER", "SYSDBA", "-PASSWORD", password, backupFile, database});
    }
    std::filesystem::remove(backupFile);
    outcome.backupLeftBehind = std::filesystem::exists(backupFile);
    outcome.second = ServiceRepairValidation(database);
    return outcome;
}

struct RepairCase {
    const char* name;
    int pageSize;
    DamageSite (*damage)(const TestDatabase&);
    bool deletedRows = true;
};

class RepairableDamageTest : public ::testing::TestWithParam<RepairCase> {};

TEST_P(RepairableDamageTest, RepairCompletesAndKeepsEveryRow) {
    ScratchDirectory directory(ScratchDirectory::Kind::WithBlanksAndTurkishLetters);
    const TestDatabase database =
        CreateTestDatabase(directory.File("Müşteri Kayıtları.fdb"),
                           {GetParam().pageSize, 200, GetParam().deletedRows});
    const DamageSite site = GetParam().damage(database);

    const RepairOutcome outcome = RepairByHand(database.path);

    SCOPED_TRACE(site.Describe() + "\n" + outcome.Describe());
    EXPECT_FALSE(outcome.first.Clean());
    EXPECT_EQ(outcome.first.run.exitCode, 1);
    EXPECT_NE(outcome.first.run.output.find("Summary of validation errors"), std::string::npos);
    EXPECT_TRUE(outcome.backup.Succeeded());
    ASSERT_TRUE(outcome.restore.has_value());
    EXPECT_TRUE(outcome.restore->Succeeded());
    EXPECT_TRUE(outcome.second.Clean());
    EXPECT_FALSE(outcome.backupLeftBehind);
    EXPECT_EQ(ReadRows(database.path), ExpectedRows(200));
}

DamageSite WrongPageType(const TestDatabase& database) {
    return DamageDatabase(database, DamageKind::WrongPageType);
}
DamageSite RecordLengthPastPage(const TestDatabase& database) {
    return DamageDatabase(database, DamageKind::RecordLengthPastPage);
}
DamageSite GarbledRecordHeader(const TestDatabase& database) {
    return DamageDatabase(database, DamageKind::GarbledRecordHeader);
}
DamageSite RecordLengthPastPageOfOrphanBlob(const TestDatabase& database) {
    return DamageDatabase(database, DamageKind::RecordLengthPastPage, DamageTarget::OrphanBlob);
}
DamageSite GarbledRecordHeaderOfOrphanBlob(const TestDatabase& database) {
    return DamageDatabase(database, DamageKind::GarbledRecordHeader, DamageTarget::OrphanBlob);
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, RepairableDamageTest,
    ::testing::Values(
        RepairCase{"WrongPageType", 4096, WrongPageType},
        RepairCase{"RecordLengthPastPage", 4096, RecordLengthPastPage},
        RepairCase{"GarbledRecordHeader", 4096, GarbledRecordHeader},
        RepairCase{"IndexPage", 4096, DamageIndexPage, false},
        RepairCase{"WrongPageType", 16384, WrongPageType},
        RepairCase{"RecordLengthPastPage", 8192, RecordLengthPastPage},
        RepairCase{"GarbledRecordHeader", 16384, GarbledRecordHeader},
        RepairCase{"IndexPage", 16384, DamageIndexPage, false},
        RepairCase{"RecordLengthPastPageOfOrphanBlob", 4096, RecordLengthPastPageOfOrphanBlob},
        RepairCase{"GarbledRecordHeaderOfOrphanBlob", 4096, GarbledRecordHeaderOfOrphanBlob}),
    [](const auto& info) {
        return std::string(info.param.name) + "PageSize" + std::to_string(info.param.pageSize);
    });

// Damage where a real accident would put it: the repair cannot keep every row.
TEST(UnrepairableDamageTest, LengthPastThePageOnLiveRowsLosesEveryRowOfThePage) {
    ScratchDirectory directory;
    const TestDatabase database = CreateTestDatabase(directory.File("live.fdb"));
    const DamageSite site =
        DamageDatabase(database, DamageKind::RecordLengthPastPage, DamageTarget::LiveRows);
    const auto pageRows = DataPagesOf(DatabasePages(database.path), database.relationId);

    const RepairOutcome outcome = RepairByHand(database.path);

    SCOPED_TRACE(outcome.Describe());
    EXPECT_FALSE(outcome.first.Clean());
    EXPECT_TRUE(outcome.restore.has_value() && outcome.restore->Succeeded());
    EXPECT_TRUE(outcome.second.Clean()); // reported as repaired...
    int liveOnPage = 0;
    for (const DataPage& page : pageRows) {
        for (const RecordSlot& record : page.records) {
            liveOnPage += page.number == site.page && record.IsLiveRow() ? 1 : 0;
        }
    }
    ASSERT_GT(liveOnPage, 1);
    EXPECT_EQ(ReadRows(database.path).size(), 200u - liveOnPage); // ...without the page's rows
}

TEST(UnrepairableDamageTest, GarbledHeaderOfALiveRowLosesThatRow) {
    ScratchDirectory directory;
    const TestDatabase database = CreateTestDatabase(directory.File("live.fdb"));
    DamageDatabase(database, DamageKind::GarbledRecordHeader, DamageTarget::LiveRows);

    const RepairOutcome outcome = RepairByHand(database.path);

    SCOPED_TRACE(outcome.Describe());
    EXPECT_FALSE(outcome.first.Clean());
    EXPECT_TRUE(outcome.restore.has_value() && outcome.restore->Succeeded());
    EXPECT_TRUE(outcome.second.Clean());
    EXPECT_EQ(ReadRows(database.path).size(), 199u);
}

TEST(UnrepairableDamageTest, WrongTypeOfAPageTheBackupReadsStopsTheRepair) {
    for (const DamageTarget target : {DamageTarget::LiveRows, DamageTarget::DeletedRows}) {
        ScratchDirectory directory;
        const TestDatabase database = CreateTestDatabase(directory.File("wrong type.fdb"));
        const DamageSite site = DamageDatabase(database, DamageKind::WrongPageType, target);

        const RepairOutcome outcome = RepairByHand(database.path);

        SCOPED_TRACE(ToString(target) + "\n" + outcome.Describe());
        EXPECT_FALSE(outcome.first.Clean());
        EXPECT_EQ(outcome.backup.exitCode, 1);
        EXPECT_NE(outcome.backup.output.find("page " + std::to_string(site.page) +
                                             " is of wrong type (expected data, found index "
                                             "B-tree)"),
                  std::string::npos);
        EXPECT_FALSE(outcome.restore.has_value());
        EXPECT_FALSE(outcome.backupLeftBehind);
        EXPECT_FALSE(outcome.second.Clean());
        EXPECT_EQ(outcome.second.run.exitCode, 1);
        EXPECT_THROW(ReadRows(database.path), FixtureError);
    }
}

TEST(UnrepairableDamageTest, IndexDamageWithDeletedRowsToCollectBreaksTheBackup) {
    ScratchDirectory directory;
    const TestDatabase database = CreateTestDatabase(directory.File("index.fdb"));
    DamageIndexPage(database);

    const RepairOutcome outcome = RepairByHand(database.path);

    SCOPED_TRACE(outcome.Describe());
    EXPECT_FALSE(outcome.first.Clean());
    EXPECT_FALSE(outcome.backup.Succeeded()); // gbak dies of SIGSEGV on Firebird 3.0.11
    EXPECT_FALSE(outcome.restore.has_value());
    EXPECT_FALSE(outcome.backupLeftBehind);
    EXPECT_FALSE(outcome.second.Clean());
}

TEST(SoundDatabaseTest, RepairChangesNothingThatMatters) {
    ScratchDirectory directory(ScratchDirectory::Kind::WithBlanksAndTurkishLetters);
    const TestDatabase database = CreateTestDatabase(directory.File("sağlam.fdb"));

    const RepairOutcome outcome = RepairByHand(database.path);

    SCOPED_TRACE(outcome.Describe());
    EXPECT_TRUE(outcome.first.Clean());
    EXPECT_TRUE(outcome.fullValidation.Succeeded());
    EXPECT_EQ(outcome.fullValidation.output, "");
    EXPECT_TRUE(outcome.restore.has_value() && outcome.restore->Succeeded());
    EXPECT_TRUE(outcome.second.Clean());
    EXPECT_EQ(ReadRows(database.path), ExpectedRows(200));
    EXPECT_TRUE(ServiceRepairValidation(database.path).Clean());
}

// The first service call already mends before it reports: the page with the bad slot is out
// of its pointer page when the call returns.
TEST(ServiceRepairTest, MendsBeforeTheStartFails) {
    ScratchDirectory directory;
    const TestDatabase database = CreateTestDatabase(directory.File("mend.fdb"));
    const DamageSite site = DamageDatabase(database, DamageKind::RecordLengthPastPage);

    EXPECT_FALSE(ServiceRepairValidation(database.path).Clean());

    for (const DataPage& page : DataPagesOf(DatabasePages(database.path), database.relationId)) {
        EXPECT_NE(page.number, site.page);
    }
}

} // namespace
} // namespace onarim::testing
