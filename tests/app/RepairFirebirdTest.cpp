// The whole repair on the real Firebird: the embedded engine behind the service component,
// Debian's gfix and gbak, databases the tests make and damage themselves.
#include <fstream>
#include <sstream>

#include <gtest/gtest.h>

#include "app/RepairProcedure.h"
#include "app/SystemServerTools.h"
#include "platform/Files.h"
#include "services/IBValidationService.h"
#include "support/DatabaseDamage.h"
#include "support/FirebirdRegistry.h"
#include "support/FirebirdTools.h"
#include "support/ScratchDirectory.h"
#include "support/TestDatabase.h"

namespace onarim {
namespace {

using namespace onarim::testing;

// Answers the password dialog with SYSDBA's password and remembers what it was told.
class RecordingOperator : public IRepairOperator {
public:
    std::string ShowPasswordDialog() override { return kSysdbaPassword; }
    void ShowMessage(const std::string& text, const std::string& caption, TMessageIcon,
                     const std::string&) override {
        messages.push_back(caption + ": " + text);
    }
    void SetCursor(TAppCursor) override {}
    void StepStarted(TRepairStep) override { reportComes = true; }
    void OutputLine(TRepairStep step, const std::string& line) override {
        const bool validation =
            step == TRepairStep::FirstValidation || step == TRepairStep::SecondValidation;
        if (validation && reportComes) {
            reports.push_back(line);
        }
        reportComes = false;
    }
    bool reportComes = false;
    std::vector<std::string> messages;
    std::vector<std::string> reports;
};

// The machine's tools, with a record of every command line run.
class RecordingTools : public TSystemServerTools {
public:
    int ExecuteAndWait(const std::string& commandLine, int showState) override {
        runs.push_back(commandLine);
        return TSystemServerTools::ExecuteAndWait(commandLine, showState);
    }
    std::vector<std::string> runs;
};

std::string FileBytes(const std::string& path) {
    std::ifstream stream(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << stream.rdbuf();
    return bytes.str();
}

class RepairFirebirdTest : public ::testing::Test {
protected:
    void SetUp() override {
        service.SetLoginPrompt(false);
        service.SetOptions({TValidateOption::IgnoreChecksum, TValidateOption::MendDB});
        service.Params().Assign({"user_name=SYSDBA", "password=1"});
    }

    TRepairOutcome Repair(const std::string& database) {
        TFixedFileNameBox box(database);
        return TRepairProcedure(service, op, box, tools).Run(TServerKind::Firebird);
    }

    ScratchDirectory scratch{ScratchDirectory::Kind::WithBlanksAndTurkishLetters};
    ScopedFirebirdRegistry registry{scratch};
    TIBValidationService service{nullptr, "IBValidationService1"};
    RecordingOperator op;
    RecordingTools tools;
};

TEST_F(RepairFirebirdTest, DamagedDatabasesAreRepairedWithoutLosingARow) {
    for (DamageKind kind : {DamageKind::RecordLengthPastPage, DamageKind::GarbledRecordHeader,
                            DamageKind::WrongPageType}) {
        SCOPED_TRACE(ToString(kind));
        op = RecordingOperator();
        tools.runs.clear();
        const TestDatabase database =
            CreateTestDatabase(scratch.File("Müşteri " + ToString(kind) + ".fdb"));
        DamageDatabase(database, kind);

        EXPECT_EQ(Repair(database.path), TRepairOutcome::Repaired);
        ASSERT_EQ(op.reports.size(), 2u);
        EXPECT_NE(op.reports[0], "") << "the first validation must report the damage";
        EXPECT_EQ(op.reports[1], "");
        EXPECT_EQ(op.messages, (std::vector<std::string>{"Bilgi: Veri Tabanı düzeltme işlemi tamamlandı..."}));
        EXPECT_EQ(tools.runs.size(), 3u);

        const ValidationResult second = ReadOnlyValidation(database.path);
        EXPECT_TRUE(second.Clean()) << second.run.Describe();
        EXPECT_EQ(ReadRows(database.path), ExpectedRows(database.rowCount));
        EXPECT_FALSE(FileExists(scratch.File("BACKUP.GBK")));
    }
}

TEST_F(RepairFirebirdTest, SoundDatabaseIsToldSoAndNoToolRuns) {
    const TestDatabase database = CreateTestDatabase(scratch.File("sağlam.fdb"), {.rowCount = 20});
    EXPECT_EQ(Repair(database.path), TRepairOutcome::Sound);
    EXPECT_EQ(op.messages,
              (std::vector<std::string>{"Bilgi: " + database.path + " Veri Tabanında hata bulunamadı..."}));
    EXPECT_TRUE(tools.runs.empty());
    EXPECT_FALSE(FileExists(scratch.File("BACKUP.GBK")));
}

TEST_F(RepairFirebirdTest, BackupFileAlreadyThereIsLeftByteForByte) {
    const TestDatabase database = CreateTestDatabase(scratch.File("hasarlı.fdb"));
    DamageDatabase(database, DamageKind::GarbledRecordHeader);
    const std::string backup = scratch.File("BACKUP.GBK");
    const std::string someoneElses = "başkasının yedeği\n\x01\x02";
    scratch.WriteFile("BACKUP.GBK", someoneElses);

    EXPECT_EQ(Repair(database.path), TRepairOutcome::BackupFileExists);
    EXPECT_TRUE(tools.runs.empty());
    EXPECT_EQ(FileBytes(backup), someoneElses);
    ASSERT_EQ(op.messages.size(), 1u);
    EXPECT_EQ(op.messages[0].rfind("Dikkat: Onarım için kullanılacak " + backup + " dosyası zaten var.", 0), 0u);
}

// A backup that cannot be written leaves the database file as it was and nothing beside it.
TEST_F(RepairFirebirdTest, FailedBackupStopsBeforeTheRestore) {
    const TestDatabase database = CreateTestDatabase(scratch.File("canlı.fdb"));
    DamageDatabase(database, DamageKind::WrongPageType, DamageTarget::LiveRows);

    EXPECT_EQ(Repair(database.path), TRepairOutcome::BackupFailed);
    ASSERT_EQ(tools.runs.size(), 2u) << "gfix and the backup, no restore";
    EXPECT_FALSE(FileExists(scratch.File("BACKUP.GBK")));
    EXPECT_EQ(op.messages.back(), "Bilgi: Veri Tabanının yedeği alınamadı; veri tabanı dosyası "
                                  "değiştirilmedi.\r\nLütfen BELVANOX Merkez ile irtibata geçiniz...");
}

} // namespace
} // namespace onarim
