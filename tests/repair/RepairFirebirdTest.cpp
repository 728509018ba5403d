// The whole repair on the real Firebird: the embedded engine behind the service component,
// Debian's gfix and gbak, databases the tests make and damage themselves.
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>

#include <gtest/gtest.h>

#include "repair/RepairProcedure.h"
#include "repair/SystemServerTools.h"
#include "platform/Files.h"
#include "services/IBValidationService.h"
#include "support/DatabaseDamage.h"
#include "support/FirebirdRegistry.h"
#include "support/FirebirdTools.h"
#include "support/ScopedMount.h"
#include "support/ScratchDirectory.h"
#include "support/TestDatabase.h"

namespace onarim {
namespace {

using namespace onarim::testing;

// Answers the password dialog with SYSDBA's password and remembers what it was told.
class RecordingOperator : public IRepairOperator {
public:
    std::string ShowPasswordDialog() override { return password; }
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
    std::string password = kSysdbaPassword;
    std::vector<std::string> messages;
    std::vector<std::string> reports;
};

// The machine's tools, with a record of every command line run.
class RecordingTools : public TSystemServerTools {
public:
    int RunTool(const std::string& commandLine, const TToolEnvironment& environment,
                const LineHandler& onLine) override {
        if (commandLine.find("onarim-validate") == std::string::npos) {
            runs.push_back(commandLine); // the server's tools
        }
        return TSystemServerTools::RunTool(commandLine, environment, onLine);
    }
    std::pair<int, int> RunPipedTools(const std::string& first, const std::string& second,
                                      const TToolEnvironment& environment,
                                      const LineHandler& onFirstLine,
                                      const std::function<void(int)>& onFirstEnded,
                                      const LineHandler& onSecondLine) override {
        runs.push_back(first);
        runs.push_back(second);
        return TSystemServerTools::RunPipedTools(first, second, environment, onFirstLine,
                                                 onFirstEnded, onSecondLine);
    }
    std::vector<std::string> runs;
};

std::string FileBytes(const std::string& path) {
    std::ifstream stream(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << stream.rdbuf();
    return bytes.str();
}

// Every file in `directory`, by name.
std::set<std::string> FilesIn(const std::filesystem::path& directory) {
    std::set<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(directory)) {
        names.insert(entry.path().filename().string());
    }
    return names;
}

class RepairFirebirdTest : public ::testing::Test {
protected:
    void SetUp() override {
        service.SetLoginPrompt(false);
        service.SetOptions({TValidateOption::IgnoreChecksum, TValidateOption::MendDB});
        service.Params().Assign({"user_name=SYSDBA", "password=1"});
    }

    TRepairOutcome Repair(const std::string& database) {
        TFileNameBoxSnapshot box(database);
        TRepairProcedure procedure(service, op, box, tools);
        const TRepairOutcome outcome = procedure.Run(TServerKind::Firebird);
        report = procedure.Report();
        reportPath = procedure.ReportPath();
        return outcome;
    }

    ScratchDirectory scratch{ScratchDirectory::Kind::WithBlanksAndTurkishLetters};
    ScopedFirebirdRegistry registry{scratch};
    TIBValidationService service{nullptr, "IBValidationService1"};
    RecordingOperator op;
    RecordingTools tools;
    TRepairReport report;
    std::string reportPath;
};

TEST_F(RepairFirebirdTest, DamagedDatabasesAreRepairedWithoutLosingARowAndTheOriginalIsKept) {
    // (A page of the wrong type is mended by the page check, without the tools: see the
    // page-check tests.)
    for (DamageKind kind : {DamageKind::RecordLengthPastPage, DamageKind::GarbledRecordHeader}) {
        SCOPED_TRACE(ToString(kind));
        op = RecordingOperator();
        tools.runs.clear();
        const TestDatabase database =
            CreateTestDatabase(scratch.File("Müşteri " + ToString(kind) + ".fdb"));
        const DamageSite site = DamageDatabase(database, kind);
        const std::string original = FileBytes(database.path);

        // A garbled record header makes a deleted row's stub look like a record: the server
        // counts it before the repair, and the repair drops it. The count tells so.
        const bool stubCounted = kind == DamageKind::GarbledRecordHeader;
        EXPECT_EQ(Repair(database.path),
                  stubCounted ? TRepairOutcome::RepairedWithLosses : TRepairOutcome::Repaired);
        ASSERT_EQ(op.reports.size(), 2u);
        EXPECT_NE(op.reports[0], "") << "the first validation must report the damage";
        EXPECT_EQ(op.reports[1], "");
        ASSERT_FALSE(report.keptCopy.empty());
        const std::string copyLine = "\r\nÖzgün dosyanın kopyası: " + report.keptCopy;
        EXPECT_EQ(op.messages,
                  (std::vector<std::string>{
                      stubCounted ? "Dikkat: Veri Tabanı onarıldı, ancak bazı veriler "
                                    "kurtarılamadı...\r\nITEMS: 201 kayıttan 200 kayıt kaldı\r\n"
                                    "ITEMS: okunamayan kayıt, page " + std::to_string(site.page) +
                                        " line " + std::to_string(site.slot) +
                                        ": a record with no data, and nothing points at it\r\n"
                                    "ITEMS: gbak yedeğe 1 kaydı yazmadı" + copyLine
                                  : "Bilgi: Veri Tabanı düzeltme işlemi tamamlandı..." + copyLine}));
        EXPECT_EQ(tools.runs.size(), 3u);
        EXPECT_TRUE(FileBytes(report.keptCopy) == original) << "the copy is the file as it was";
        EXPECT_TRUE(report.losses.uncounted.empty());
        EXPECT_TRUE(FileExists(reportPath));

        const ValidationResult second = ReadOnlyValidation(database.path);
        EXPECT_TRUE(second.Clean()) << second.run.Describe();
        EXPECT_EQ(ReadRows(database.path), ExpectedRows(database.rowCount));
        EXPECT_FALSE(FileExists(scratch.File("BACKUP.GBK")));
    }
}

TEST_F(RepairFirebirdTest, SoundDatabaseIsToldSoAndLeavesNothingBehind) {
    const TestDatabase database = CreateTestDatabase(scratch.File("sağlam.fdb"), {.rowCount = 20});
    const std::set<std::string> before = FilesIn(scratch.Path());
    EXPECT_EQ(Repair(database.path), TRepairOutcome::Sound);
    EXPECT_EQ(op.messages,
              (std::vector<std::string>{"Bilgi: " + database.path + " Veri Tabanında hata bulunamadı..."}));
    EXPECT_TRUE(tools.runs.empty());
    EXPECT_EQ(FilesIn(scratch.Path()), before) << "no copy, no backup, no report";
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

// A backup that cannot be written: the restore it streamed into is gone, nothing is run again,
// and what can be read goes into a new database beside the damaged one.
TEST_F(RepairFirebirdTest, FailedBackupEndsTheRestoreAndSalvages) {
    const TestDatabase database = CreateTestDatabase(scratch.File("canlı.fdb"));
    DamageIndexPage(database); // with deleted rows waiting: gbak dies in the backup
    const std::set<std::string> before = FilesIn(scratch.Path());

    EXPECT_EQ(Repair(database.path), TRepairOutcome::Salvaged);
    ASSERT_EQ(tools.runs.size(), 3u); // gfix, and the backup streaming into the restore
    EXPECT_NE(tools.runs[1].find(" stdout"), std::string::npos) << tools.runs[1];
    for (const std::string& file : FilesIn(scratch.Path())) {
        EXPECT_TRUE(before.count(file) || file.find("-geri") == std::string::npos)
            << "a partial restore is left: " << file;
    }
    EXPECT_FALSE(FileExists(scratch.File("BACKUP.GBK")));
    EXPECT_TRUE(op.messages.back().starts_with(
        "Dikkat: Veri Tabanının yedeği alınamadı; okunabilen veriler yeni bir veri tabanına "
        "kurtarıldı:\r\n" + scratch.File("canlı.kurtarilan.fdb")))
        << op.messages.back();
    const auto backup = std::find_if(report.steps.begin(), report.steps.end(),
                                     [](const TStepRecord& step) { return step.step == TRepairStep::Backup; });
    ASSERT_NE(backup, report.steps.end());
    EXPECT_NE(backup->exitStatus, 0);
    EXPECT_TRUE(ReadOnlyValidation(scratch.File("canlı.kurtarilan.fdb")).Clean());
}

// Refusals before anything changes: every file stays as it was.
TEST_F(RepairFirebirdTest, PreflightRefusalsLeaveEveryFileAsItWas) {
    struct Case {
        const char* label;
        std::uint64_t sizeTimes; // the file system's size in database sizes
        bool readOnly;
        std::string expected;
    } cases[] = {
        {"too little free space", 3, false, "Onarım için diskte yeterli boş yer yok"},
        {"read-only file system", 5, true, "Veri Tabanı salt okunur bir dosya sisteminde."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        op = RecordingOperator();
        TestDatabase database = CreateTestDatabase(scratch.File("veri.fdb"), {.rowCount = 2000});
        DamageDatabase(database, DamageKind::RecordLengthPastPage);
        const std::uint64_t size = std::filesystem::file_size(database.path);
        const std::filesystem::path mountPoint = scratch.Path() / c.label;
        std::filesystem::create_directory(mountPoint);
        // Room for the database and a little more, not for copy, backup and restore.
        ScopedTmpfs fileSystem(mountPoint.string(), size * c.sizeTimes + (64u << 10));
        if (!fileSystem.Mounted()) {
            GTEST_SKIP() << fileSystem.Failure();
        }
        std::filesystem::copy_file(database.path, mountPoint / "veri.fdb");
        std::filesystem::remove(database.path);
        database.path = (mountPoint / "veri.fdb").string();
        if (c.readOnly) {
            ASSERT_TRUE(fileSystem.MakeReadOnly());
        }
        const std::string bytes = FileBytes(database.path);
        const std::set<std::string> files = FilesIn(mountPoint);

        EXPECT_EQ(Repair(database.path), TRepairOutcome::PreflightRefused);
        ASSERT_EQ(op.messages.size(), 1u);
        EXPECT_NE(op.messages[0].find(c.expected), std::string::npos) << op.messages[0];
        EXPECT_TRUE(FileBytes(database.path) == bytes);
        EXPECT_EQ(FilesIn(mountPoint), files);
    }
}

// The tools are replaced by scripts that write down their arguments and then run the real
// ones: whatever the repair starts, the password is not among its arguments.
TEST_F(RepairFirebirdTest, ThePasswordIsInNoProgramsArguments) {
    const std::string password = "gizli-parola-93";
    const std::string log = scratch.File("arguments.log");
    for (const char* tool : {"gfix", "gbak"}) {
        const std::filesystem::path script = scratch.WriteFile(
            std::string("araçlar/bin/") + tool,
            "#!/bin/sh\nprintf '%s\\n' \"$0\" \"$@\" >> '" + log + "'\nexec /usr/bin/" + tool +
                " \"$@\"\n");
        std::filesystem::permissions(script, std::filesystem::perms::owner_all);
    }
    ScopedFirebirdRegistry toolRegistry(scratch, scratch.File("araçlar") + "/");
    op.password = password;
    const TestDatabase database = CreateTestDatabase(scratch.File("parola.fdb"));
    DamageDatabase(database, DamageKind::RecordLengthPastPage);

    EXPECT_EQ(Repair(database.path), TRepairOutcome::Repaired);
    const std::string arguments = FileBytes(log);
    EXPECT_EQ(tools.runs.size(), 3u);
    EXPECT_NE(arguments.find("-FULL"), std::string::npos) << "the scripts ran: " << arguments;
    EXPECT_EQ(arguments.find(password), std::string::npos) << arguments;
    for (const std::string& run : tools.runs) {
        EXPECT_EQ(run.find(password), std::string::npos) << run;
    }
    EXPECT_EQ(FileBytes(reportPath).find(password), std::string::npos);
}

} // namespace
} // namespace onarim
