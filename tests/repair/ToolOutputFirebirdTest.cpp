// The repair's tool runs as the repair makes them, on the real Firebird 3 tools: credentials in
// the environment, output captured line by line and read. What the reader makes of each damage
// agrees with what the database holds afterwards.
#include <cstdlib>
#include <filesystem>
#include <sys/stat.h>

#include <gtest/gtest.h>

#include "repair/ToolOutput.h"
#include "platform/ProcessRunner.h"
#include "support/DatabaseDamage.h"
#include "support/DatabasePages.h"
#include "support/FirebirdTools.h"
#include "support/ScratchDirectory.h"

namespace onarim {
namespace {

using namespace onarim::testing;

using ReadLine = void (TToolOutputReader::*)(const std::string&);

struct CapturedRepair {
    ValidationResult first;
    int validationStatus = -1, backupStatus = -1, restoreStatus = -1;
    TToolOutputSummary summary;
    std::string transcript;
};

EnvironmentChanges Credentials(const std::string& password) {
    return {{"ISC_USER", "SYSDBA"}, {"ISC_PASSWORD", password}};
}

int RunTool(const std::vector<std::string>& argv, const std::string& password,
            TToolOutputReader& reader, ReadLine read, std::string& transcript) {
    return SpawnAndCapture(argv, Credentials(password), [&](const std::string& line) {
        transcript += line + "\n";
        (reader.*read)(line);
    });
}

// The first validation, then gfix, gbak backup and, when the backup succeeded, gbak restore.
CapturedRepair RepairCapturing(const std::string& database) {
    const std::string backup =
        (std::filesystem::path(database).parent_path() / "BACKUP.GBK").string();
    CapturedRepair repair;
    TToolOutputReader reader;
    repair.first = ServiceRepairValidation(database);
    repair.validationStatus = RunTool({"gfix", "-V", "-FULL", database}, kSysdbaPassword, reader,
                                      &TToolOutputReader::ValidationLine, repair.transcript);
    repair.backupStatus = RunTool({"gbak", "-B", "-V", database, backup}, kSysdbaPassword, reader,
                                  &TToolOutputReader::BackupLine, repair.transcript);
    if (repair.backupStatus == 0) {
        repair.restoreStatus =
            RunTool({"gbak", "-REP", "-O", "-V", backup, database}, kSysdbaPassword, reader,
                    &TToolOutputReader::RestoreLine, repair.transcript);
    }
    std::filesystem::remove(backup);
    repair.summary = reader.Summary();
    return repair;
}

// Records on the page that `damage` hit, counted before the damage.
struct DamagedPage {
    DamageSite site;
    int liveRows = 0;
    int blobs = 0;
};

using Damage = DamageSite (*)(const TestDatabase&);

DamagedPage DamageCounting(const TestDatabase& database, Damage damage) {
    const auto pages = DataPagesOf(DatabasePages(database.path), database.relationId);
    DamagedPage damaged{damage(database)};
    for (const DataPage& page : pages) {
        for (const RecordSlot& record : page.records) {
            if (page.number == damaged.site.page) {
                damaged.liveRows += record.IsLiveRow() ? 1 : 0;
                damaged.blobs += record.IsBlob() ? 1 : 0;
            }
        }
    }
    return damaged;
}

DamageSite Nothing(const TestDatabase&) {
    return {};
}
DamageSite LengthPastPageOnLiveBlobs(const TestDatabase& database) {
    return DamageDatabase(database, DamageKind::RecordLengthPastPage, DamageTarget::LiveBlobs);
}
DamageSite LengthPastPageOnLiveRows(const TestDatabase& database) {
    return DamageDatabase(database, DamageKind::RecordLengthPastPage, DamageTarget::LiveRows);
}

struct RepairCase {
    const char* name;
    Damage damage;
    bool firstValidationFailsItself; // with an I/O error, before any report
};

class CapturedRepairTest : public ::testing::TestWithParam<RepairCase> {};

TEST_P(CapturedRepairTest, TheReaderAgreesWithTheRestoredDatabase) {
    constexpr int kRows = 3000;
    ScratchDirectory scratch(ScratchDirectory::Kind::WithBlanksAndTurkishLetters);
    const TestDatabase database =
        CreateTestDatabase(scratch.File("Müşteri Kayıtları.fdb"),
                           {.rowCount = kRows, .deletedRows = false, .notes = true});
    const DamagedPage damaged = DamageCounting(database, GetParam().damage);

    const CapturedRepair repair = RepairCapturing(database.path);

    SCOPED_TRACE(damaged.site.Describe() + "\n" + repair.first.run.Describe() + "\n" +
                 repair.transcript);
    EXPECT_EQ(repair.backupStatus, 0);
    EXPECT_EQ(repair.restoreStatus, 0);
    const auto rows = ReadRows(database.path);
    const auto notes = ReadNotes(database.path);
    const std::int64_t kept = kRows - damaged.liveRows;
    ASSERT_EQ(repair.summary.tables.size(), 1u);
    const TTableTransfer& items = repair.summary.tables[0];
    EXPECT_EQ(items.table, "ITEMS");
    EXPECT_EQ(items.written, kept);
    EXPECT_EQ(items.restored, kept);
    EXPECT_EQ(static_cast<std::int64_t>(rows.size()), kept);

    // Every blob value the backup could not read comes back empty; every other is intact.
    const std::int64_t lostNotes = damaged.blobs;
    EXPECT_EQ(items.blobErrors,
              (lostNotes == 0 ? std::map<std::string, std::int64_t>{}
                              : std::map<std::string, std::int64_t>{{"NOTE", lostNotes}}));
    std::int64_t empty = 0;
    for (const TableRow& row : rows) {
        const std::string& note = notes.at(row.id);
        empty += note.empty() ? 1 : 0;
        EXPECT_TRUE(note.empty() || note == ExpectedNote(row.id)) << row.id;
    }
    EXPECT_EQ(empty, lostNotes);
    if (lostNotes > 0) {
        ASSERT_EQ(repair.summary.errors.size(), 1u);
        EXPECT_EQ(repair.summary.errors[0].message, "BLOB not found");
        EXPECT_EQ(repair.summary.errors[0].count, lostNotes);
    }

    const bool ioError =
        repair.first.run.output.find("File size is less than expected") != std::string::npos;
    EXPECT_EQ(ioError, GetParam().firstValidationFailsItself);
    EXPECT_EQ(repair.validationStatus, ioError ? 1 : 0);
    EXPECT_EQ(ServiceRepairValidation(database.path).Clean(), true);
}

INSTANTIATE_TEST_SUITE_P(
    Damages, CapturedRepairTest,
    ::testing::Values(RepairCase{"Sound", Nothing, false},
                      RepairCase{"LengthPastPageOnLiveBlobs", LengthPastPageOnLiveBlobs, false},
                      RepairCase{"LengthPastPageOnLiveRows", LengthPastPageOnLiveRows, false},
                      RepairCase{"IndexSibling", DamageIndexSibling, true}),
    [](const auto& info) { return std::string(info.param.name); });

// The embedded engine opens a local file for anyone; through the server the password given
// in the environment is checked, and a wrong one refused.
TEST(CapturedToolsTest, TheServerChecksThePasswordGivenInTheEnvironment) {
    const char* password = std::getenv("ONARIM_TEST_SYSDBA_PASSWORD");
    if (password == nullptr || *password == '\0') {
        GTEST_SKIP() << "ONARIM_TEST_SYSDBA_PASSWORD is not set (scripts/test.sh sets it)";
    }
    ScratchDirectory scratch;
    const TestDatabase database = CreateTestDatabase(scratch.File("sunucu.fdb"), {.rowCount = 10});
    chmod(scratch.Path().c_str(), 0777); // the server runs as its own user
    chmod(database.path.c_str(), 0666);
    const std::string remote = "127.0.0.1:" + database.path;
    const std::string backup = scratch.File("BACKUP.GBK");
    struct Case {
        std::string password;
        int status;
    } cases[] = {{password, 0}, {std::string(password) + "-wrong", 1}, {"", 1}};
    for (const auto& c : cases) {
        for (const ReadLine read :
             {&TToolOutputReader::ValidationLine, &TToolOutputReader::BackupLine}) {
            TToolOutputReader reader;
            std::string transcript;
            const bool validation = read == &TToolOutputReader::ValidationLine;
            const auto argv = validation ? std::vector<std::string>{"gfix", "-V", "-FULL", remote}
                                         : std::vector<std::string>{"gbak", "-B", remote, backup};
            EXPECT_EQ(RunTool(argv, c.password, reader, read, transcript), c.status) << transcript;
            if (c.status != 0) {
                ASSERT_FALSE(reader.Summary().errors.empty()) << transcript;
                EXPECT_EQ(reader.Summary().errors[0].message,
                          "Your user name and password are not defined. Ask your database "
                          "administrator to set up a Firebird login.");
            }
            std::filesystem::remove(backup);
        }
    }
}

} // namespace
} // namespace onarim
