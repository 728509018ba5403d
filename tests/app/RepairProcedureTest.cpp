// The repair procedure with a scripted operator, scripted server tools and the service
// component over the stand-in client library.
#include <set>

#include <gtest/gtest.h>

#include "app/RepairProcedure.h"
#include "client/IBErrors.h"
#include "services/IBValidationService.h"
#include "support/Bytes.h"
#include "support/ServiceTestFixture.h"

namespace onarim {
namespace {

using testing::Hex;

const std::string kDatabase = "/srv/veri/MUHASEBE.FDB";
const std::string kBackup = "/srv/veri/BACKUP.GBK";
const std::string kToolDir = "/usr/bin";
const std::string kSound = Hex("3F 00 00 01");
const std::string kContact = "Lütfen BELVANOX Merkez ile irtibata geçiniz...";

// Everything the procedure did, in order, as readable lines.
using Log = std::vector<std::string>;

class ScriptedOperator : public IRepairOperator {
public:
    explicit ScriptedOperator(Log& log) : log_(log) {}
    std::string ShowPasswordDialog() override {
        log_.push_back("password dialog");
        return password;
    }
    void ShowMessage(const std::string& text, const std::string& caption, TMessageIcon icon,
                     const std::string&) override {
        log_.push_back(caption + ": " + text);
        EXPECT_EQ(icon, TMessageIcon::Information);
    }
    void SetCursor(TAppCursor cursor) override {
        log_.push_back(cursor == TAppCursor::Busy ? "cursor busy" : "cursor hand");
    }
    std::string password = "masterkey";

private:
    Log& log_;
};

class ScriptedBox : public IFileNameBox {
public:
    std::string Text() const override { return text; }
    std::string FileName() const override { return fileName; }
    std::string text, fileName;
};

class ScriptedTools : public IServerTools {
public:
    explicit ScriptedTools(Log& log) : log_(&log) {}
    std::string FirebirdToolDir() override {
        log_->push_back("registry Firebird");
        if (registryFails) {
            throw Exception("Invalid data type for 'DefaultInstance'");
        }
        return kToolDir;
    }
    std::string InterBaseToolDir() override {
        log_->push_back("registry InterBase");
        return "/opt/interbase";
    }
    int ExecuteAndWait(const std::string& commandLine, int showState) override {
        log_->push_back("run " + commandLine);
        EXPECT_EQ(showState, 0);
        const bool backup = commandLine.find(" -B ") != std::string::npos;
        if (backup && backupWritesFile) {
            files.insert(backupPath);
        }
        if (backup) {
            return backupExit;
        }
        return commandLine.find(" -REP ") != std::string::npos ? restoreExit : 0;
    }
    bool FileExists(const std::string& path) override { return files.count(path) != 0; }
    bool DeleteFile(const std::string& path) override {
        log_->push_back("delete " + path);
        return files.erase(path) != 0;
    }

    std::set<std::string> files = {kDatabase, kToolDir + "/gfix", kToolDir + "/gbak"};
    std::string backupPath = kBackup;
    bool registryFails = false;
    bool backupWritesFile = true;
    int backupExit = 0;
    int restoreExit = 0;

private:
    Log* log_;
};

class RepairProcedureTest : public testing::FakeClientTest {
public:
    void SetUp() override {
        FakeClientTest::SetUp();
        service = std::make_unique<TIBValidationService>(nullptr, "IBValidationService1");
        service->SetLoginPrompt(false);
        service->SetOptions({TValidateOption::IgnoreChecksum, TValidateOption::MendDB});
        service->Params().Assign({"user_name=SYSDBA", "password=1"});
        box.text = box.fileName = kDatabase;
    }
    void TearDown() override {
        service.reset();
        FakeClientTest::TearDown();
    }

    TRepairOutcome Run(TServerKind kind = TServerKind::Firebird) {
        return TRepairProcedure(*service, op, box, tools).Run(kind);
    }
    // First validation finds damage the way today's server reports it.
    void ScriptDamageSummary() {
        ScriptFailure("isc_service_start", kValidationErrorsStatus,
                      {"Summary of validation errors", "", "\tNumber of record level errors\t: 1"});
    }
    std::vector<std::string> Attaches() {
        std::vector<std::string> blocks;
        for (const auto& call : CallsOf("isc_service_attach")) {
            blocks.push_back(call.bytes);
        }
        return blocks;
    }

    Log log;
    ScriptedOperator op{log};
    ScriptedTools tools{log};
    ScriptedBox box;
    std::unique_ptr<TIBValidationService> service;
};

const std::string kGfixLine =
    "/usr/bin/gfix -V -FULL -USER SYSDBA -PASSWORD masterkey \"/srv/veri/MUHASEBE.FDB\"";
const std::string kBackupLine = "/usr/bin/gbak -B -USER SYSDBA -PASSWORD masterkey "
                                "\"/srv/veri/MUHASEBE.FDB\" \"/srv/veri/BACKUP.GBK\"";
const std::string kRestoreLine = "/usr/bin/gbak -REP -O -USER SYSDBA -PASSWORD masterkey "
                                 "\"/srv/veri/BACKUP.GBK\" \"/srv/veri/MUHASEBE.FDB\"";

TEST_F(RepairProcedureTest, DamagedDatabaseIsRepairedWithTheToolsInOrder) {
    ScriptDamageSummary();
    fake->queryReplies.push_back(kSound); // the second validation
    EXPECT_EQ(Run(), TRepairOutcome::Repaired);
    EXPECT_EQ(log, (Log{"password dialog", "registry Firebird", "cursor busy", "run " + kGfixLine,
                        "run " + kBackupLine, "run " + kRestoreLine, "delete " + kBackup,
                        "cursor hand", "Bilgi: Veri Tabanı düzeltme işlemi tamamlandı..."}));

    // Two lines for the first attach, four (the upper-case pair added) for the second.
    const std::string pair = Hex("1C 06") + "SYSDBA" + Hex("1D 09") + "masterkey";
    EXPECT_EQ(Attaches(), (std::vector<std::string>{Hex("02 02") + pair, Hex("02 02") + pair + pair}));
    EXPECT_EQ(service->Params().Lines(),
              (std::vector<std::string>{"user_name=SYSDBA", "password=masterkey",
                                        "USER_NAME=SYSDBA", "PASSWORD=masterkey"}));
    EXPECT_TRUE(service->Active()) << "the component is left attached";
    EXPECT_EQ(tools.files.count(kBackup), 0u);
}

TEST_F(RepairProcedureTest, ReportOnTheFirstOutputLineCountsAsDamageToo) {
    fake->queryReplies.push_back(Hex("3F 05 00") + "hata!" + Hex("01"));
    fake->queryReplies.push_back(Hex("3F 05 00") + "hata!" + Hex("01"));
    EXPECT_EQ(Run(), TRepairOutcome::NotRepaired);
    EXPECT_EQ(log.back(), "Bilgi: Veri Tabanı düzeltme işlemi tamamlanamadı...\r\n" + kContact);
    EXPECT_NE(std::find(log.begin(), log.end(), "delete " + kBackup), log.end())
        << "the backup is removed also when the repair did not complete";
}

TEST_F(RepairProcedureTest, RunsThatEndBeforeAnyToolRuns) {
    struct Case {
        const char* label;
        std::function<void(RepairProcedureTest&)> arrange;
        TRepairOutcome outcome;
        Log expected;
    } cases[] = {
        {"empty edit box",
         [](RepairProcedureTest& t) { t.box.text = ""; },
         TRepairOutcome::NoDatabaseNamed,
         {"Bilgi: Veri Tabanını belirtmelisiniz..."}},
        {"no such file",
         [](RepairProcedureTest& t) { t.tools.files.erase(kDatabase); },
         TRepairOutcome::DatabaseNotFound,
         {"Bilgi: " + kDatabase + "\r\nisimi veri Tabanı bulunamadı..."}},
        {"password cancelled",
         [](RepairProcedureTest& t) { t.op.password = ""; },
         TRepairOutcome::Cancelled,
         {"password dialog"}},
        {"sound database",
         [](RepairProcedureTest& t) { t.fake->queryReplies.push_back(kSound); },
         TRepairOutcome::Sound,
         {"password dialog", "registry Firebird", "Bilgi: " + kDatabase + " Veri Tabanında hata bulunamadı..."}},
        {"gfix missing",
         [](RepairProcedureTest& t) {
             t.ScriptDamageSummary();
             t.tools.files.erase(kToolDir + "/gfix");
         },
         TRepairOutcome::ToolMissing,
         {"password dialog", "registry Firebird",
          "Dikkat: Onarım için gerekli olan /usr/bin/gfix dosyası bulunamadı.\r\nLütfen kontrol ediliniz"}},
        {"gbak missing",
         [](RepairProcedureTest& t) {
             t.ScriptDamageSummary();
             t.tools.files.erase(kToolDir + "/gbak");
         },
         TRepairOutcome::ToolMissing,
         {"password dialog", "registry Firebird",
          "Dikkat: Onarım için gerekli olan /usr/bin/gbak dosyası bulunamadı.\r\nLütfen kontrol ediliniz"}},
        {"InterBase tools looked for in its own directory",
         [](RepairProcedureTest& t) { t.ScriptDamageSummary(); },
         TRepairOutcome::ToolMissing,
         {}},
        {"a backup file that is not ours",
         [](RepairProcedureTest& t) {
             t.ScriptDamageSummary();
             t.tools.files.insert(kBackup);
         },
         TRepairOutcome::BackupFileExists,
         {"password dialog", "registry Firebird",
          "Dikkat: Onarım için kullanılacak " + kBackup + " dosyası zaten var.\r\nBu dosyanın üzerine "
          "yazılmaması için onarım başlatılmadı; lütfen dosyayı taşıyıp tekrar deneyiniz."}},
    };
    for (auto& c : cases) {
        SCOPED_TRACE(c.label);
        log.clear();
        tools = ScriptedTools(log);
        op.password = "masterkey";
        box.text = box.fileName = kDatabase;
        c.arrange(*this);
        const bool interBase = std::string(c.label).starts_with("InterBase");
        EXPECT_EQ(Run(interBase ? TServerKind::InterBase : TServerKind::Firebird), c.outcome);
        if (interBase) {
            EXPECT_EQ(log, (Log{"password dialog", "registry InterBase",
                                "Dikkat: Onarım için gerekli olan /opt/interbase/gfix dosyası "
                                "bulunamadı.\r\nLütfen kontrol ediliniz"}));
            continue;
        }
        EXPECT_EQ(log, c.expected);
    }
}

TEST_F(RepairProcedureTest, CancelledPasswordLeavesTheComponentAsItWas) {
    service->SetActive(true);
    op.password = "";
    Run();
    EXPECT_TRUE(service->Active());
    EXPECT_EQ(service->Params().Lines(), (std::vector<std::string>{"user_name=SYSDBA", "password=1"}));
    EXPECT_EQ(CallsOf("isc_service_detach").size(), 0u);
}

TEST_F(RepairProcedureTest, FailedBackupLeavesTheDatabaseAloneAndRemovesWhatItWrote) {
    for (bool exitsNonZero : {true, false}) {
        SCOPED_TRACE(exitsNonZero ? "backup exits non-zero" : "backup leaves no file");
        log.clear();
        tools = ScriptedTools(log);
        tools.backupExit = exitsNonZero ? 1 : 0;
        tools.backupWritesFile = exitsNonZero;
        ScriptDamageSummary();
        EXPECT_EQ(Run(), TRepairOutcome::BackupFailed);
        EXPECT_EQ(log, (Log{"password dialog", "registry Firebird", "cursor busy",
                            "run " + kGfixLine, "run " + kBackupLine, "delete " + kBackup,
                            "cursor hand",
                            "Bilgi: Veri Tabanının yedeği alınamadı; veri tabanı dosyası "
                            "değiştirilmedi.\r\n" + kContact}));
        EXPECT_EQ(tools.files.count(kBackup), 0u);
    }
}

TEST_F(RepairProcedureTest, FailedRestoreKeepsTheBackupAndNamesIt) {
    tools.restoreExit = 1;
    ScriptDamageSummary();
    EXPECT_EQ(Run(), TRepairOutcome::RestoreFailed);
    EXPECT_EQ(log, (Log{"password dialog", "registry Firebird", "cursor busy", "run " + kGfixLine,
                        "run " + kBackupLine, "run " + kRestoreLine, "cursor hand",
                        "Bilgi: Yedekten geri yükleme tamamlanamadı. Yedek dosyası silinmedi:\r\n" +
                            kBackup + "\r\n" + kContact}));
    EXPECT_EQ(tools.files.count(kBackup), 1u);
    EXPECT_EQ(CallsOf("isc_service_attach").size(), 1u) << "no second validation";
}

TEST_F(RepairProcedureTest, ErrorsOtherThanTheValidationSummaryEndTheRun) {
    ScriptFailure("isc_service_start", 335544344,
                  {"I/O error during \"open\" operation for file \"/srv/veri/MUHASEBE.FDB\""});
    EXPECT_THROW(Run(), EIBInterBaseError);
    EXPECT_EQ(log, (Log{"password dialog"})) << "no registry lookup, no cursor change";

    log.clear();
    fake->queryReplies.push_back(kSound);
    tools.registryFails = true;
    EXPECT_THROW(Run(), Exception) << "a registry fault shows even for a sound database";
    EXPECT_EQ(log, (Log{"password dialog", "registry Firebird"}));
}

TEST_F(RepairProcedureTest, PathsAreQuotedSoEveryToolSeesThemWhole) {
    struct Case {
        const char* label;
        std::string database;
        std::string password;
        std::string quotedDatabase;
        std::string quotedBackup;
        std::string passwordOnLine;
    } cases[] = {
        {"blanks and Turkish letters", "/srv/Veri Tabanı/Şirket 1.fdb", "masterkey",
         "\"/srv/Veri Tabanı/Şirket 1.fdb\"", "\"/srv/Veri Tabanı/BACKUP.GBK\"", "masterkey"},
        {"a bare file name puts the backup in the current directory", "MUHASEBE.FDB", "masterkey",
         "\"MUHASEBE.FDB\"", "\"BACKUP.GBK\"", "masterkey"},
        {"a double quote in the name stays inside the argument", "/srv/a\"b.fdb", "masterkey",
         "\"/srv/a\\\"b.fdb\"", "\"/srv/BACKUP.GBK\"", "masterkey"},
        {"a password with a blank stays one argument", "/srv/x.fdb", "pass word",
         "\"/srv/x.fdb\"", "\"/srv/BACKUP.GBK\"", "\"pass word\""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        log.clear();
        tools = ScriptedTools(log);
        tools.files.insert(c.database);
        tools.backupPath = DirectoryPart(c.database) + "BACKUP.GBK";
        box.text = box.fileName = c.database;
        op.password = c.password;
        ScriptDamageSummary();
        fake->queryReplies.push_back(kSound);
        Run();
        const std::string credentials = " -USER SYSDBA -PASSWORD " + c.passwordOnLine + " ";
        EXPECT_EQ(log[3], "run /usr/bin/gfix -V -FULL" + credentials + c.quotedDatabase);
        EXPECT_EQ(log[4], "run /usr/bin/gbak -B" + credentials + c.quotedDatabase + " " + c.quotedBackup);
        EXPECT_EQ(log[5], "run /usr/bin/gbak -REP -O" + credentials + c.quotedBackup + " " + c.quotedDatabase);
    }
}

TEST_F(RepairProcedureTest, ASecondRunStartsAfreshFromTheFourLinesOfTheFirst) {
    ScriptDamageSummary();
    fake->queryReplies.push_back(kSound);
    Run();
    ASSERT_TRUE(service->Active());
    fake->queryReplies.push_back(kSound);
    Run();
    // One after the first run's failed validation start, one when the second run begins.
    EXPECT_EQ(CallsOf("isc_service_detach").size(), 2u);
    EXPECT_EQ(service->Params().Lines(),
              (std::vector<std::string>{"user_name=SYSDBA", "password=masterkey"}));
}

} // namespace
} // namespace onarim
