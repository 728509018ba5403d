// The repair procedure with a scripted operator, scripted server tools and the service
// component over the stand-in client library.
#include <chrono>
#include <condition_variable>
#include <ctime>
#include <map>
#include <mutex>
#include <set>

#include <gtest/gtest.h>

#include "client/IBErrors.h"
#include "platform/CommandLine.h"
#include "repair/RepairProcedure.h"
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
    int ExecuteAndWait(const std::string& commandLine, int) override {
        ADD_FAILURE() << "tools run with their output read: " << commandLine;
        return -1;
    }
    int RunTool(const std::string& commandLine, const TToolEnvironment& environment,
                const LineHandler& onLine) override {
        log_->push_back("run " + commandLine);
        if (commandLine.starts_with("\"/v/onarim-validate\"") && !validatorRuns.empty()) {
            const auto [status, lines] = validatorRuns.front();
            validatorRuns.erase(validatorRuns.begin());
            for (const std::string& line : lines) {
                onLine(line);
            }
            return status;
        }
        EXPECT_EQ(environment,
                  (TToolEnvironment{{"ISC_USER", "SYSDBA"}, {"ISC_PASSWORD", password}}));
        const bool backup = commandLine.find(" -B ") != std::string::npos;
        const bool restore = commandLine.find(" -REP ") != std::string::npos;
        for (const std::string& line : backup ? backupOutput : restore ? restoreOutput : Log{}) {
            onLine(line);
        }
        if (backup && backupWritesFile) {
            files.insert(backupPath);
        }
        if (restore) { // gbak makes the file named last, whole or not
            files.insert(SplitCommandLine(commandLine).back());
        }
        if (backup) {
            return backupExit;
        }
        return restore ? restoreExit : 0;
    }
    bool CanPipeTools() override { return pipes; }
    std::pair<int, int> RunPipedTools(const std::string& first, const std::string& second,
                                      const TToolEnvironment&, const LineHandler& onFirstLine,
                                      const std::function<void(int)>& onFirstEnded,
                                      const LineHandler& onSecondLine) override {
        log_->push_back("run " + first + " | " + second);
        for (const std::string& line : backupOutput) {
            onFirstLine(line);
        }
        onFirstEnded(pipedExits.first);
        for (const std::string& line : restoreOutput) {
            onSecondLine(line);
        }
        files.insert(SplitCommandLine(second).back());
        return pipedExits;
    }
    bool FileExists(const std::string& path) override { return files.count(path) != 0; }
    bool DeleteFile(const std::string& path) override {
        log_->push_back("delete " + path);
        return files.erase(path) != 0;
    }
    TDatabaseFileFacts InspectDatabaseFile(const std::string&) override { return facts; }
    void CopyFileKeepingOriginal(const std::string& source, const std::string& target) override {
        log_->push_back("copy " + target);
        EXPECT_TRUE(files.count(source));
        files.insert(target);
    }
    void WriteTextFile(const std::string& path, const std::string& text) override {
        // The report as the run goes on is no event of its own; its last writing is.
        if (text.find("\"outcome\": \"running\"") == std::string::npos) {
            log_->push_back("report " + path);
        }
        reports[path] = text;
        files.insert(path);
    }
    std::optional<std::string> ReadTextFile(const std::string& path) override {
        const auto report = reports.find(path);
        return report == reports.end() ? std::nullopt : std::optional(report->second);
    }
    std::vector<std::string> FilesNamedLike(const std::string& directory, const std::string& prefix,
                                            const std::string& suffix) override {
        std::vector<std::string> names;
        for (const std::string& file : files) {
            const std::string name = file.substr(std::min(directory.size(), file.size()));
            if (file.starts_with(directory) && name.starts_with(prefix) && name.ends_with(suffix)) {
                names.push_back(name);
            }
        }
        return names;
    }
    void MatchOwnerAndMode(const std::string&, const std::string&) override {}
    void ReplaceFile(const std::string& replacement, const std::string& target) override {
        log_->push_back("replace " + target);
        EXPECT_TRUE(files.erase(replacement)) << replacement;
    }
    TSalvageResult SalvageDatabase(const TOriginalFiles&, const std::string& target,
                                   const TCredentials&, const std::string&,
                                   const LineHandler&) override {
        if (!salvageWorks) {
            throw ESalvageError("salvage is not available");
        }
        files.insert(target);
        return {};
    }
    bool IsProcessRunning(const ProcessIdentity& process) override {
        return runningProcesses.count(process.pid) != 0;
    }
    TDatabaseCensus TakeCensus(const std::string& path, const TCredentials&) override {
        log_->push_back("census " + path);
        return CensusOf(path);
    }
    std::optional<TDatabaseCensus> TakeRawCensus(const std::string& path,
                                                 const ods::TPageCheck*) override {
        if (!pagesReadable) {
            return std::nullopt;
        }
        rawCensusPaths.push_back(path);
        return CensusOf(path);
    }
    TRecoveryResult PutBackLostData(const TOriginalFiles&, const TRepairedDatabase& repaired,
                                    const TCredentials&, const LineHandler&) override {
        putBacks.push_back(repaired);
        return {};
    }
    bool DatabaseInUse(const std::string&, const TCredentials&) override { return inUse; }

    std::set<std::string> files = {kDatabase, kToolDir + "/gfix", kToolDir + "/gbak"};
    std::string backupPath = kBackup;
    std::string password = "masterkey";
    TDatabaseFileFacts facts{.content = TDatabaseFileFacts::Content::Database,
                             .size = 1000,
                             .writable = true,
                             .folderWritable = true,
                             .readOnlyFileSystem = false,
                             .freeBytes = 1u << 20};
    TDatabaseCensus before{{{.table = "ITEMS",
                             .rows = 3000,
                             .blobColumns = {{"NOTE", 3000}},
                             .error = "",
                             .lostRecords = {}}}};
    TDatabaseCensus after = before;
    Log backupOutput, restoreOutput;
    std::vector<std::pair<int, Log>> validatorRuns; // exit status and lines of onarim-validate
    std::map<std::string, std::string> reports;
    std::set<long> runningProcesses;
    bool salvageWorks = false;
    bool pagesReadable = false; // every file can be counted from its pages
    std::vector<std::string> rawCensusPaths;
    std::vector<TRepairedDatabase> putBacks;
    std::map<std::string, TDatabaseCensus> censuses;
    bool inUse = false;
    bool registryFails = false;
    bool backupWritesFile = true;
    int backupExit = 0;
    int restoreExit = 0;
    bool pipes = false; // the backup streams into the restore
    std::pair<int, int> pipedExits{0, 0};

private:
    // The census given for the path, else: the original (or a copy of it) before the repair,
    // the new database after it.
    TDatabaseCensus CensusOf(const std::string& path) const {
        if (const auto given = censuses.find(path); given != censuses.end()) {
            return given->second;
        }
        const bool repaired = path.find("-geri.") != std::string::npos ||
                              path.find(".kurtarilan") != std::string::npos;
        return repaired ? after : before;
    }

    Log* log_;
};

// The run's fixed time, and the names it gives the kept copy and the report.
const auto kNow = std::chrono::system_clock::from_time_t(1'796'000'000);
std::string StampOfNow() {
    const std::time_t seconds = std::chrono::system_clock::to_time_t(kNow);
    std::tm local{};
    localtime_r(&seconds, &local);
    char text[32];
    std::strftime(text, sizeof text, "%Y%m%d-%H%M%S", &local);
    return text;
}
const std::string kCopy = "/srv/veri/MUHASEBE.onarim-" + StampOfNow() + ".FDB";
const std::string kCensusCopy = "/srv/veri/MUHASEBE.onarim-" + StampOfNow() + "-sayim.FDB";
const std::string kSalvageCopy = "/srv/veri/MUHASEBE.onarim-" + StampOfNow() + "-kurtarma.FDB";
const std::string kReport = "/srv/veri/MUHASEBE.onarim-" + StampOfNow() + ".json";
const std::string kRestored = "/srv/veri/MUHASEBE.onarim-" + StampOfNow() + "-geri.FDB";
const std::string kCopyLine = "\r\nÖzgün dosyanın kopyası: " + kCopy;

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

    TRepairOutcome Run(TServerKind kind = TServerKind::Firebird, bool keepCopy = true) {
        TRepairOptions options{.keepCopy = keepCopy,
                               .validator = {},
                               .countAlongsideTools = false,
                               .clock = [] { return kNow; }};
        TRepairProcedure procedure(*service, op, box, tools, options);
        const TRepairOutcome outcome = procedure.Run(kind);
        report = procedure.Report();
        return outcome;
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
    TRepairReport report;
};

const std::string kGfixLine = "/usr/bin/gfix -V -FULL \"/srv/veri/MUHASEBE.FDB\"";
const std::string kBackupLine =
    "/usr/bin/gbak -B -V \"/srv/veri/MUHASEBE.FDB\" \"/srv/veri/BACKUP.GBK\"";
const std::string kRestoreLine =
    "/usr/bin/gbak -REP -O -V \"/srv/veri/BACKUP.GBK\" \"" + kRestored + "\"";
// What a repair does between the first validation's report and the tools.
const Log kCountBefore = {"copy " + kCensusCopy, "census " + kCensusCopy, "delete " + kCensusCopy};

// The log of a repair up to the tools: password, copy, first validation, tool directory.
Log Opening() {
    return {"password dialog", "copy " + kCopy, "registry Firebird"};
}
Log Joined(std::initializer_list<Log> parts) {
    Log all;
    for (const Log& part : parts) {
        all.insert(all.end(), part.begin(), part.end());
    }
    return all;
}

TEST_F(RepairProcedureTest, DamagedDatabaseIsRepairedWithTheToolsInOrder) {
    ScriptDamageSummary();
    fake->queryReplies.push_back(kSound); // the second validation
    EXPECT_EQ(Run(), TRepairOutcome::Repaired);
    EXPECT_EQ(log, Joined({Opening(),
                           kCountBefore,
                           {"cursor busy", "run " + kGfixLine, "run " + kBackupLine,
                            "run " + kRestoreLine, "delete " + kBackup, "cursor hand",
                            "census " + kRestored, "replace " + kDatabase, "report " + kReport,
                            "Bilgi: Veri Tabanı düzeltme işlemi tamamlandı..." + kCopyLine}}));

    // Two lines for the first attach, four (the upper-case pair added) for the second.
    const std::string pair = Hex("1C 06") + "SYSDBA" + Hex("1D 09") + "masterkey";
    EXPECT_EQ(Attaches(),
              (std::vector<std::string>{Hex("02 02") + pair, Hex("02 02") + pair + pair}));
    EXPECT_EQ(service->Params().Lines(),
              (std::vector<std::string>{"user_name=SYSDBA", "password=masterkey",
                                        "USER_NAME=SYSDBA", "PASSWORD=masterkey"}));
    EXPECT_TRUE(service->Active()) << "the component is left attached";
    EXPECT_EQ(tools.files.count(kBackup), 0u);
    EXPECT_EQ(tools.files.count(kCopy), 1u) << "the copy is kept";
    const std::string json = tools.reports.at(kReport);
    EXPECT_NE(json.find("\"outcome\": \"repaired\""), std::string::npos) << json;
    EXPECT_EQ(json.find("masterkey"), std::string::npos) << "no password in the report";
}

TEST_F(RepairProcedureTest, LossesAreCountedAndToldWithTheKeptCopy) {
    struct Case {
        const char* label;
        TDatabaseCensus after;
        Log restoreOutput;
        std::string lossLines;
    } cases[] = {
        {"rows lost",
         {{{"ITEMS", 2890, {{"NOTE", 2890}}, "", {}}}},
         {},
         "ITEMS: 3000 kayıttan 2890 kayıt kaldı\r\nITEMS.NOTE: 110 blob değeri kayboldu"},
        {"blobs emptied",
         {{{"ITEMS", 3000, {{"NOTE", 2830}}, "", {}}}},
         {},
         "ITEMS.NOTE: 170 blob değeri kayboldu"},
        {"table gone",
         {},
         {},
         "ITEMS: 3000 kayıttan 0 kayıt kaldı\r\nITEMS.NOTE: 3000 blob değeri kayboldu"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        log.clear();
        tools = ScriptedTools(log);
        tools.after = c.after;
        ScriptDamageSummary();
        fake->queryReplies.push_back(kSound);
        EXPECT_EQ(Run(), TRepairOutcome::RepairedWithLosses);
        EXPECT_EQ(log.back(),
                  "Dikkat: Veri Tabanı onarıldı, ancak bazı veriler kurtarılamadı...\r\n" +
                      c.lossLines + kCopyLine);
        EXPECT_NE(tools.reports.at(kReport).find("\"outcome\": \"repaired-with-losses\""),
                  std::string::npos);
    }

    // Values that could not be read before the repair are lost though every row is kept.
    log.clear();
    tools = ScriptedTools(log);
    tools.before.tables[0].blobColumns[0] = {
        .column = "NOTE", .nonEmptyBlobs = 2830, .unreadableBlobs = 170};
    tools.after.tables[0].blobColumns[0] = {
        .column = "NOTE", .nonEmptyBlobs = 2830, .unreadableBlobs = 0};
    ScriptDamageSummary();
    fake->queryReplies.push_back(kSound);
    EXPECT_EQ(Run(), TRepairOutcome::RepairedWithLosses);
    EXPECT_NE(log.back().find("ITEMS.NOTE: 170 blob değeri kayboldu"), std::string::npos)
        << log.back();

    log.clear();
    tools = ScriptedTools(log);
    tools.before.tables[0].rows.reset();
    ScriptDamageSummary();
    fake->queryReplies.push_back(kSound);
    EXPECT_EQ(Run(), TRepairOutcome::RepairedWithLosses) << "a loss that cannot be ruled out";
    EXPECT_NE(log.back().find("ITEMS: onarımdan önce okunamadı"), std::string::npos) << log.back();
}

// Validations run by onarim-validate in a process of its own: its exit status and lines say
// what the component would have returned or raised.
TEST_F(RepairProcedureTest, ValidationsInAChildProcessReadItsStatusAndLines) {
    const std::string validatorLine = "run \"/v/onarim-validate\" \"" + kDatabase + "\"";
    struct Case {
        const char* label;
        std::vector<std::pair<int, Log>> runs;
        TRepairOutcome outcome;
        std::int32_t raisedStatus; // 0: nothing raised
    } cases[] = {
        {"sound", {{0, {""}}}, TRepairOutcome::Sound, 0},
        {"damage, then sound",
         {{10, {"I/O error during \"read\"", "-File size is less than expected"}}, {0, {""}}},
         TRepairOutcome::Repaired,
         0},
        {"a report line, then the same",
         {{0, {"hata!", "devamı"}}, {0, {"hata!"}}},
         TRepairOutcome::NotRepaired,
         0},
        {"service error",
         {{11,
           {"STATUS -902 335544472 335544472,335544771",
            "Your user name and password are not defined."}}},
         TRepairOutcome::Sound,
         335544472},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        log.clear();
        tools = ScriptedTools(log);
        tools.validatorRuns = c.runs;
        TRepairOptions options{.keepCopy = true,
                               .validator = "/v/onarim-validate",
                               .countAlongsideTools = false,
                               .clock = [] { return kNow; }};
        TRepairProcedure procedure(*service, op, box, tools, options);
        if (c.raisedStatus != 0) {
            try {
                procedure.Run(TServerKind::Firebird);
                ADD_FAILURE() << "the service error must be raised";
            } catch (const EIBInterBaseError& error) {
                EXPECT_EQ(error.StatusErrorCode(), c.raisedStatus);
                EXPECT_TRUE(error.HasStatusCode(335544771));
                EXPECT_TRUE(
                    error.Message().starts_with("Your user name and password are not defined."));
            }
            continue;
        }
        EXPECT_EQ(procedure.Run(TServerKind::Firebird), c.outcome);
        EXPECT_EQ(log.at(2), validatorLine);
        EXPECT_EQ(CallsOf("isc_service_attach").size(), 0u) << "the component is not used";
    }
}

TEST_F(RepairProcedureTest, ReportOnTheFirstOutputLineCountsAsDamageToo) {
    fake->queryReplies.push_back(Hex("3F 05 00") + "hata!" + Hex("01"));
    fake->queryReplies.push_back(Hex("3F 05 00") + "hata!" + Hex("01"));
    EXPECT_EQ(Run(), TRepairOutcome::NotRepaired);
    EXPECT_EQ(log.back(), "Bilgi: Veri Tabanı düzeltme işlemi tamamlanamadı...\r\n" + kContact +
                              "\r\nYedekten geri yüklenen veri tabanı, doğrulaması hata bildirdiği "
                              "için yerine konmadı; yanında duruyor: " +
                              kRestored + kCopyLine);
    EXPECT_EQ(tools.files.count(kRestored), 1u) << "the restored database stays beside";
    EXPECT_NE(std::find(log.begin(), log.end(), "delete " + kBackup), log.end())
        << "the backup is removed also when the repair did not complete";
}

TEST_F(RepairProcedureTest, DamageThatStopsTheValidationIsItsReport) {
    struct Case {
        std::vector<ISC_STATUS> code;
        std::vector<std::string> message;
        bool damage;
    } cases[] = {
        // A scan error wraps what the page said.
        {{335544341, 335544335, 335544403},
         {"Error during scan of table 128 (T1)", "database file appears corrupt ()",
          "wrong page type"},
         true},
        // No database here is encrypted: a page that looks so is damaged.
        {{335545043}, {"Missing crypt plugin, but page appears encrypted"}, true},
        {{335544344},
         {"I/O error during \"read\" operation for file \"/srv/veri/MUHASEBE.FDB\"",
          "-Error while trying to read from file", "-File size is less than expected"},
         true},
        {{335544333},
         {"internal Firebird consistency check (decompression overran buffer (179))"},
         true},
        {{335544335}, {"database file appears corrupt ()"}, true},
        {{335544403}, {"page 172 is of wrong type (expected 5, found 7)"}, true},
        {{335544344},
         {"I/O error during \"open\" operation for file \"/srv/veri/MUHASEBE.FDB\""},
         false},
        {{335544472}, {"Your user name and password are not defined."}, false},
        {{335544379},
         {"unsupported on-disk structure for file; found 32779.12, support 12.0"},
         false},
        {{335544510}, {"lock time-out on wait transaction"}, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.message.front());
        log.clear();
        tools = ScriptedTools(log);
        ScriptFailure("isc_service_start", c.code, c.message);
        fake->queryReplies.push_back(kSound);
        if (c.damage) {
            EXPECT_EQ(Run(), TRepairOutcome::Repaired);
            continue;
        }
        try {
            Run();
            ADD_FAILURE() << "the error must end the run";
        } catch (const EIBInterBaseError& error) {
            EXPECT_TRUE(error.Message().ends_with(kCopyLine)) << "the error names the kept copy";
        }
        EXPECT_EQ(tools.files.count(kCopy), 1u);
    }
}

TEST_F(RepairProcedureTest, RunsThatEndBeforeAnyToolRuns) {
    using Content = TDatabaseFileFacts::Content;
    const std::string refused = "Dikkat: " + kDatabase + "\r\n";
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
        {"empty file",
         [](RepairProcedureTest& t) { t.tools.facts.content = Content::Empty; },
         TRepairOutcome::NotADatabase,
         {"Bilgi: " + kDatabase + "\r\nVeri Tabanı dosyası boş; onarılacak bir şey yok..."}},
        {"not a database",
         [](RepairProcedureTest& t) { t.tools.facts.content = Content::NotDatabase; },
         TRepairOutcome::NotADatabase,
         {"Bilgi: " + kDatabase + "\r\nbir Firebird ya da InterBase veri tabanı dosyası değil..."}},
        {"read-only file system",
         [](RepairProcedureTest& t) { t.tools.facts.readOnlyFileSystem = true; },
         TRepairOutcome::PreflightRefused,
         {refused + "Veri Tabanı salt okunur bir dosya sisteminde. Onarım başlatılmadı; dosyayı "
                    "yazılabilir bir yere kopyalayıp onu onarınız."}},
        {"file not writable",
         [](RepairProcedureTest& t) { t.tools.facts.writable = false; },
         TRepairOutcome::PreflightRefused,
         {refused + "Veri Tabanı dosyasına yazılamıyor. Onarım başlatılmadı; dosyanın yazma "
                    "iznini kontrol ediniz."}},
        {"folder not writable",
         [](RepairProcedureTest& t) { t.tools.facts.folderWritable = false; },
         TRepairOutcome::PreflightRefused,
         {refused + "Veri Tabanının bulunduğu klasöre dosya yazılamıyor. Onarım başlatılmadı; "
                    "klasörün yazma iznini kontrol ediniz."}},
        {"too little space for copy, backup and restore",
         [](RepairProcedureTest& t) {
             t.tools.facts.size = 100u << 20;
             t.tools.facts.freeBytes = (300u << 20) - 1;
         },
         TRepairOutcome::PreflightRefused,
         {"Dikkat: Onarım için diskte yeterli boş yer yok: yaklaşık 300 MB gerekiyor, 300 MB "
          "boş.\r\nOnarım başlatılmadı; yer açıp tekrar deneyiniz."}},
        {"password cancelled",
         [](RepairProcedureTest& t) { t.op.password = ""; },
         TRepairOutcome::Cancelled,
         {"password dialog"}},
        {"another attachment",
         [](RepairProcedureTest& t) { t.tools.inUse = true; },
         TRepairOutcome::PreflightRefused,
         {"password dialog", "copy " + kCopy, "delete " + kCopy, "delete " + kReport,
          refused + "Veri Tabanına başka bağlantılar var. Onarım başlatılmadı; "
                    "diğer kullanıcıların bağlantılarını kesip tekrar deneyiniz."}},
        {"sound database",
         [](RepairProcedureTest& t) { t.fake->queryReplies.push_back(kSound); },
         TRepairOutcome::Sound,
         {"password dialog", "copy " + kCopy, "registry Firebird", "delete " + kCopy,
          "delete " + kReport, "Bilgi: " + kDatabase + " Veri Tabanında hata bulunamadı..."}},
        {"gfix missing",
         [](RepairProcedureTest& t) {
             t.ScriptDamageSummary();
             t.tools.files.erase(kToolDir + "/gfix");
         },
         TRepairOutcome::ToolMissing,
         Joined({Opening(),
                 {"report " + kReport, "Dikkat: Onarım için gerekli olan /usr/bin/gfix dosyası "
                                       "bulunamadı.\r\nLütfen kontrol ediliniz" +
                                           kCopyLine}})},
        {"a backup file that is not ours",
         [](RepairProcedureTest& t) {
             t.ScriptDamageSummary();
             t.tools.files.insert(kBackup);
         },
         TRepairOutcome::BackupFileExists,
         Joined({Opening(),
                 {"report " + kReport,
                  "Dikkat: Onarım için kullanılacak " + kBackup +
                      " dosyası zaten var.\r\nBu dosyanın "
                      "üzerine yazılmaması için onarım başlatılmadı; lütfen dosyayı taşıyıp tekrar "
                      "deneyiniz." +
                      kCopyLine}})},
    };
    for (auto& c : cases) {
        SCOPED_TRACE(c.label);
        log.clear();
        tools = ScriptedTools(log);
        op.password = "masterkey";
        box.text = box.fileName = kDatabase;
        c.arrange(*this);
        EXPECT_EQ(Run(), c.outcome);
        EXPECT_EQ(log, c.expected);
    }
}

TEST_F(RepairProcedureTest, WithoutACopyTheDatabaseIsCountedBeforeTheValidation) {
    ScriptDamageSummary();
    fake->queryReplies.push_back(kSound);
    tools.facts.size = 100u << 20;
    tools.facts.freeBytes = 200u << 20; // enough for backup and restore alone
    EXPECT_EQ(Run(TServerKind::Firebird, false), TRepairOutcome::Repaired);
    EXPECT_EQ(log[1], "census " + kDatabase);
    EXPECT_EQ(log.back(), "Bilgi: Veri Tabanı düzeltme işlemi tamamlandı...");
    EXPECT_EQ(std::count_if(log.begin(), log.end(),
                            [](const std::string& l) { return l.starts_with("copy"); }),
              0);
}

TEST_F(RepairProcedureTest, InterBaseToolsAreLookedForInTheirOwnDirectory) {
    ScriptDamageSummary();
    EXPECT_EQ(Run(TServerKind::InterBase), TRepairOutcome::ToolMissing);
    EXPECT_EQ(log[2], "registry InterBase");
    EXPECT_EQ(log.back(), "Dikkat: Onarım için gerekli olan /opt/interbase/gfix dosyası "
                          "bulunamadı.\r\nLütfen kontrol ediliniz" +
                              kCopyLine);
}

TEST_F(RepairProcedureTest, CancelledPasswordLeavesTheComponentAsItWas) {
    service->SetActive(true);
    op.password = "";
    Run();
    EXPECT_TRUE(service->Active());
    EXPECT_EQ(service->Params().Lines(),
              (std::vector<std::string>{"user_name=SYSDBA", "password=1"}));
    EXPECT_EQ(CallsOf("isc_service_detach").size(), 0u);
}

TEST_F(RepairProcedureTest, FailedBackupLeavesTheDatabaseUnrestoredAndRemovesWhatItWrote) {
    for (bool exitsNonZero : {true, false}) {
        SCOPED_TRACE(exitsNonZero ? "backup exits non-zero" : "backup leaves no file");
        log.clear();
        tools = ScriptedTools(log);
        tools.backupExit = exitsNonZero ? 1 : 0;
        tools.backupWritesFile = exitsNonZero;
        ScriptDamageSummary();
        EXPECT_EQ(Run(), TRepairOutcome::BackupFailed);
        EXPECT_EQ(log, Joined({Opening(),
                               kCountBefore,
                               {"cursor busy", "run " + kGfixLine, "run " + kBackupLine,
                                "delete " + kBackup, "cursor hand", "copy " + kSalvageCopy,
                                "delete " + kSalvageCopy, "report " + kReport,
                                "Bilgi: Veri Tabanının yedeği alınamadı; veri tabanı dosyası "
                                "yedekten geri yüklenmedi.\r\n" +
                                    kContact +
                                    "\r\nOkunabilen veriler de kurtarılamadı: salvage is not "
                                    "available" +
                                    kCopyLine}}));
        EXPECT_EQ(tools.files.count(kBackup), 0u);
    }
}

// The count of the kept original runs on a thread of its own while gfix and the backup run; its
// result still decides the losses, and its copy is gone before the restore writes.
TEST_F(RepairProcedureTest, CountBeforeRunsWhileTheToolsRun) {
    // Only the count's own calls come from its thread; they touch nothing of ScriptedTools.
    struct ConcurrentTools : ScriptedTools {
        using ScriptedTools::ScriptedTools;
        int RunTool(const std::string& commandLine, const TToolEnvironment& environment,
                    const LineHandler& onLine) override {
            {
                std::lock_guard lock(mutex);
                backupStarted = backupStarted || commandLine.find(" -B ") != std::string::npos;
                if (commandLine.find(" -REP ") != std::string::npos) {
                    copyGoneBeforeRestore = copyRemoved;
                }
                changed.notify_all();
            }
            return ScriptedTools::RunTool(commandLine, environment, onLine);
        }
        bool DeleteFile(const std::string& path) override {
            if (path != kCensusCopy) {
                return ScriptedTools::DeleteFile(path);
            }
            std::lock_guard lock(mutex);
            copyRemoved = true;
            return true;
        }
        void CopyFileKeepingOriginal(const std::string& source,
                                     const std::string& target) override {
            if (target != kCensusCopy) {
                ScriptedTools::CopyFileKeepingOriginal(source, target);
            }
        }
        TDatabaseCensus TakeCensus(const std::string& path,
                                   const TCredentials& credentials) override {
            if (path != kCensusCopy) {
                return ScriptedTools::TakeCensus(path, credentials);
            }
            std::unique_lock lock(mutex);
            countSawBackup =
                changed.wait_for(lock, std::chrono::seconds(10), [&] { return backupStarted; });
            return counted;
        }
        std::mutex mutex;
        std::condition_variable changed;
        bool backupStarted = false;
        bool countSawBackup = false;
        bool copyRemoved = false;
        bool copyGoneBeforeRestore = false;
        TDatabaseCensus counted{{{.table = "ITEMS",
                                  .rows = 3001,
                                  .blobColumns = {{"NOTE", 3000}},
                                  .error = "",
                                  .lostRecords = {}}}};
    } concurrent{log};
    ScriptDamageSummary();
    fake->queryReplies.push_back(kSound);

    TRepairOptions options{.keepCopy = true,
                           .validator = {},
                           .countAlongsideTools = true,
                           .clock = [] { return kNow; }};
    TRepairProcedure procedure(*service, op, box, concurrent, options);
    EXPECT_EQ(procedure.Run(TServerKind::Firebird), TRepairOutcome::RepairedWithLosses);

    EXPECT_TRUE(concurrent.countSawBackup) << "the count waited for nothing";
    EXPECT_TRUE(concurrent.copyGoneBeforeRestore)
        << "the count's copy beside the restored database";
    EXPECT_NE(log.back().find("ITEMS: 3001 kayıttan 3000 kayıt kaldı"), std::string::npos)
        << log.back();
}

// A failed restore is a failed backup: the database path keeps what it held, and what can be
// read is salvaged; the backup goes once the salvage has done, and stays when it failed too.
TEST_F(RepairProcedureTest, FailedRestoreEndsInASalvage) {
    for (const bool salvageWorks : {true, false}) {
        SCOPED_TRACE(salvageWorks ? "salvaged" : "salvage failed too");
        log.clear();
        tools = ScriptedTools(log);
        tools.restoreExit = 1;
        tools.salvageWorks = salvageWorks;
        ScriptDamageSummary();
        fake->queryReplies.push_back(kSound); // the salvaged database's validation
        EXPECT_EQ(Run(), salvageWorks ? TRepairOutcome::Salvaged : TRepairOutcome::RestoreFailed);
        EXPECT_EQ(tools.files.count(kRestored), 0u) << "the partial restore is removed";
        EXPECT_EQ(std::count(log.begin(), log.end(), "replace " + kDatabase), 0)
            << "nothing replaced";
        EXPECT_EQ(tools.files.count(kBackup), salvageWorks ? 0u : 1u);
        const std::string message =
            *std::find_if(log.rbegin(), log.rend(), [](const std::string& line) {
                return line.starts_with("Dikkat: ") || line.starts_with("Bilgi: ");
            });
        EXPECT_EQ(message,
                  salvageWorks
                      ? "Dikkat: Yedekten geri yükleme tamamlanamadı; okunabilen veriler yeni bir "
                        "veri tabanına kurtarıldı:\r\n/srv/veri/MUHASEBE.kurtarilan.FDB\r\n"
                        "Hasarlı veri tabanı yerinde bırakıldı: " +
                            kDatabase + "\r\nKurtarılan: 0 kayıt, 0 blob değeri" + kCopyLine
                      : "Bilgi: Yedekten geri yükleme tamamlanamadı. Yedek dosyası silinmedi:\r\n" +
                            kBackup + "\r\n" + kContact +
                            "\r\nOkunabilen veriler de kurtarılamadı: salvage is not available" +
                            kCopyLine);
    }
}

// The backup streams into the restore. Only a restore that failed, or that broke the backup's
// pipe by ending first, has both run again through a backup file; what the first pair said
// is not counted twice.
TEST_F(RepairProcedureTest, TheBackupStreamsIntoTheRestoreAndOnlyAFailedRestoreRunsThemAgain) {
    const std::string piped = "run /usr/bin/gbak -B -V \"/srv/veri/MUHASEBE.FDB\" stdout | " +
                              std::string("/usr/bin/gbak -REP -O -V stdin \"") + kRestored + "\"";
    struct Case {
        const char* name;
        std::pair<int, int> exits;
        bool again;
        TRepairOutcome outcome;
    } cases[] = {
        {"both ended well", {0, 0}, false, TRepairOutcome::RepairedWithLosses},
        {"the restore failed", {0, 1}, true, TRepairOutcome::RepairedWithLosses},
        {"the restore broke the backup's pipe", {141, 1}, true, TRepairOutcome::RepairedWithLosses},
        {"the backup failed on its own", {1, 1}, false, TRepairOutcome::BackupFailed},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        log.clear();
        tools = ScriptedTools(log);
        tools.pipes = true;
        tools.pipedExits = c.exits;
        tools.backupOutput = {"gbak:    writing data for table ITEMS",
                              "gbak:error accessing BLOB column NOTE -- continuing"};
        ScriptDamageSummary();
        if (c.outcome != TRepairOutcome::BackupFailed) {
            fake->queryReplies.push_back(kSound); // the second validation
        }
        EXPECT_EQ(Run(), c.outcome);
        EXPECT_EQ(std::count(log.begin(), log.end(), piped), 1);
        EXPECT_EQ(std::count(log.begin(), log.end(), "run " + kBackupLine), c.again ? 1 : 0);
        EXPECT_EQ(tools.files.count(kRestored), 0u) << "put in place or removed";
        EXPECT_EQ(tools.files.count(kBackup), 0u);
        EXPECT_EQ(report.skippedBlobs["ITEMS"]["NOTE"], 1);
    }
}

TEST_F(RepairProcedureTest, ErrorsOtherThanDamageEndTheRun) {
    ScriptFailure("isc_service_start", 335544344,
                  {"I/O error during \"open\" operation for file \"/srv/veri/MUHASEBE.FDB\""});
    EXPECT_THROW(Run(), EIBInterBaseError);
    // The validation began: the copy stays, and the report names the error.
    EXPECT_EQ(log, (Log{"password dialog", "copy " + kCopy, "report " + kReport}))
        << "no registry lookup, no cursor change";
    EXPECT_NE(tools.reports.at(kReport).find("\"outcome\": \"error\""), std::string::npos);

    log.clear();
    tools = ScriptedTools(log);
    fake->queryReplies.push_back(kSound);
    tools.registryFails = true;
    EXPECT_THROW(Run(), Exception) << "a registry fault shows even for a sound database";
    EXPECT_EQ(log,
              (Log{"password dialog", "copy " + kCopy, "registry Firebird", "report " + kReport}));
}

TEST_F(RepairProcedureTest, PathsAreQuotedSoEveryToolSeesThemWhole) {
    struct Case {
        const char* label;
        std::string database;
        std::string password;
        std::string quotedDatabase;
        std::string quotedBackup;
        std::string quotedRestored;
    } cases[] = {
        {"blanks and Turkish letters", "/srv/Veri Tabanı/Şirket 1.fdb", "masterkey",
         "\"/srv/Veri Tabanı/Şirket 1.fdb\"", "\"/srv/Veri Tabanı/BACKUP.GBK\"",
         "\"/srv/Veri Tabanı/Şirket 1.onarim-" + StampOfNow() + "-geri.fdb\""},
        {"a bare file name puts the backup in the current directory", "MUHASEBE.FDB", "masterkey",
         "\"MUHASEBE.FDB\"", "\"BACKUP.GBK\"", "\"MUHASEBE.onarim-" + StampOfNow() + "-geri.FDB\""},
        {"a double quote in the name stays inside the argument", "/srv/a\"b.fdb", "masterkey",
         "\"/srv/a\\\"b.fdb\"", "\"/srv/BACKUP.GBK\"",
         "\"/srv/a\\\"b.onarim-" + StampOfNow() + "-geri.fdb\""},
        {"a password with a blank reaches the tools whole", "/srv/x.fdb", "pass word",
         "\"/srv/x.fdb\"", "\"/srv/BACKUP.GBK\"",
         "\"/srv/x.onarim-" + StampOfNow() + "-geri.fdb\""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        log.clear();
        tools = ScriptedTools(log);
        tools.files.insert(c.database);
        tools.backupPath = DirectoryPrefix(c.database) + "BACKUP.GBK";
        box.text = box.fileName = c.database;
        op.password = c.password;
        ScriptDamageSummary();
        fake->queryReplies.push_back(kSound);
        tools.password = c.password;
        Run();
        const std::size_t gfix = Opening().size() + kCountBefore.size() + 1;
        EXPECT_EQ(log.at(gfix), "run /usr/bin/gfix -V -FULL " + c.quotedDatabase);
        EXPECT_EQ(log.at(gfix + 1),
                  "run /usr/bin/gbak -B -V " + c.quotedDatabase + " " + c.quotedBackup);
        EXPECT_EQ(log.at(gfix + 2),
                  "run /usr/bin/gbak -REP -O -V " + c.quotedBackup + " " + c.quotedRestored);
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

namespace onarim {
namespace {

TEST(KeptCopyNameTest, StampGoesBetweenStemAndExtension) {
    struct Case {
        std::string database, copy, report;
    } cases[] = {
        {"/srv/veri/MUHASEBE.FDB", "/srv/veri/MUHASEBE.onarim-X.FDB",
         "/srv/veri/MUHASEBE.onarim-X.json"},
        {"/srv/v1.2/veri", "/srv/v1.2/veri.onarim-X", "/srv/v1.2/veri.onarim-X.json"},
        {"a.b.fdb", "a.b.onarim-X.fdb", "a.b.onarim-X.json"},
        {"/srv/.gizli", "/srv/.gizli.onarim-X", "/srv/.gizli.onarim-X.json"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(KeptCopyName(c.database, "X"), c.copy);
        EXPECT_EQ(ReportFileName(c.database, "X"), c.report);
    }
}

} // namespace
} // namespace onarim

namespace onarim {
namespace {

// The report a run leaves while it goes on, as one that was killed left it.
const std::string kEarlierReport = "/srv/veri/MUHASEBE.onarim-20260101-000000.json";
const std::string kEarlierCopy = "/srv/veri/MUHASEBE.onarim-20260101-000000.FDB";
const std::string kEarlierRestore = "/srv/veri/MUHASEBE.onarim-20260101-000000-geri.FDB";
const std::string kEarlierJournal = R"({"database": "/srv/veri/MUHASEBE.FDB", "outcome": "running",
  "keptCopy": "/srv/veri/MUHASEBE.onarim-20260101-000000.FDB",
  "process": {"pid": 4242, "startTicks": 7},
  "files": [{"path": "/srv/veri/MUHASEBE.onarim-20260101-000000.FDB", "kind": "kept-copy"},
            {"path": "/srv/veri/BACKUP.GBK", "kind": "backup"},
            {"path": "/srv/veri/MUHASEBE.onarim-20260101-000000-geri.FDB", "kind": "restore"}],
  "steps": [{"step": "restore"}]})";

TEST_F(RepairProcedureTest, AnEarlierRunThatNeverEndedIsWaitedForOrCleanedUpAfter) {
    for (const bool alive : {true, false}) {
        SCOPED_TRACE(alive ? "its process still runs" : "its process is gone");
        log.clear();
        tools = ScriptedTools(log);
        tools.reports[kEarlierReport] = kEarlierJournal;
        tools.files.insert({kEarlierReport, kEarlierCopy, kBackup, kEarlierRestore});
        if (alive) {
            tools.runningProcesses.insert(4242);
            EXPECT_EQ(Run(), TRepairOutcome::PreflightRefused);
            EXPECT_EQ(log.size(), 1u) << "no password asked, nothing touched";
            EXPECT_NE(log.back().find("onarımı sürüyor (süreç 4242"), std::string::npos)
                << log.back();
            continue;
        }
        ScriptDamageSummary();
        fake->queryReplies.push_back(kSound);
        EXPECT_EQ(Run(), TRepairOutcome::Repaired);
        EXPECT_EQ(log[1], "delete " + kBackup) << "the earlier run's partial files go first";
        EXPECT_EQ(log[2], "delete " + kEarlierRestore);
        EXPECT_EQ(std::count(log.begin(), log.end(), "copy " + kCopy), 0) << "no new kept copy";
        EXPECT_EQ(tools.files.count(kEarlierCopy), 1u) << "the kept copy is never removed";
        EXPECT_NE(log.back().find("Özgün dosyanın kopyası: " + kEarlierCopy), std::string::npos);
        EXPECT_NE(tools.reports.at(kEarlierReport).find("\"takenOverBy\": \"" + kReport + "\""),
                  std::string::npos);
        EXPECT_NE(std::find(log.begin(), log.end(), "census " + kCensusCopy), log.end())
            << "the count before reads the earlier run's copy of the true original";
    }
}

// A file the run made and nobody else opens is read from its pages: the restored database is
// counted so and put back into as the run's own, and only the tables the count found lacking.
// The database at the operator's path, which a server may have open, only ever through the
// engine (here: the count after an earlier run's repair, finished now).
TEST_F(RepairProcedureTest, OnlyTheRunsOwnDatabaseIsReadFromItsPages) {
    tools.pagesReadable = true;
    tools.before.tables.push_back({"SOUND", 10, {}, "", {}});
    tools.after = tools.before;
    tools.after.tables[0].rows = 2990;
    ScriptDamageSummary();
    fake->queryReplies.push_back(kSound);
    EXPECT_EQ(Run(), TRepairOutcome::RepairedWithLosses);
    const std::string restored = "/srv/veri/MUHASEBE.onarim-" + StampOfNow() + "-geri.FDB";
    EXPECT_EQ(tools.rawCensusPaths, (std::vector<std::string>{kCopy, restored, restored}));
    ASSERT_EQ(tools.putBacks.size(), 1u);
    EXPECT_EQ(tools.putBacks[0].path, restored);
    EXPECT_TRUE(tools.putBacks[0].madeByRun);
    EXPECT_EQ(tools.putBacks[0].tables, std::vector<std::string>{"ITEMS"});

    log.clear();
    tools = ScriptedTools(log);
    tools.pagesReadable = true;
    tools.reports[kEarlierReport] = kEarlierJournal;
    tools.files.insert({kEarlierReport, kEarlierCopy});
    tools.censuses[kDatabase] = tools.before;
    tools.censuses[kDatabase].tables[0].rows = 2990;
    fake->queryReplies.push_back(kSound);
    EXPECT_EQ(Run(), TRepairOutcome::RepairedWithLosses);
    EXPECT_EQ(std::count(tools.rawCensusPaths.begin(), tools.rawCensusPaths.end(), kDatabase), 0);
    EXPECT_NE(std::find(log.begin(), log.end(), "census " + kDatabase), log.end());
    ASSERT_EQ(tools.putBacks.size(), 1u);
    EXPECT_FALSE(tools.putBacks[0].madeByRun);
}

} // namespace
} // namespace onarim
