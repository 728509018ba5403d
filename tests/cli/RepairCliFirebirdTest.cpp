// onarim-cli as an operator runs it, on the real embedded engine with Debian's gfix and gbak.
#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "cli/CliRun.h"
#include "platform/Files.h"
#include "support/ChildProcess.h"
#include "support/DatabaseDamage.h"
#include "support/FirebirdRegistry.h"
#include "support/FirebirdTools.h"
#include "support/MonitorSupport.h"
#include "support/ScratchDirectory.h"
#include "support/SharedNames.h"
#include "support/TestDatabase.h"
#include "support/ToolRun.h"

namespace onarim {
namespace {

using namespace onarim::testing;

const std::string kCompleted = "Bilgi: Veri Tabanı düzeltme işlemi tamamlandı...\n";

class RepairCliFirebirdTest : public ::testing::Test {
protected:
    ProgramResult RunCli(std::vector<std::string> arguments,
                         const std::string& password = "masterkey\n",
                         const std::string& instanceDirectory = "/usr/") {
        const auto registry =
            scratch.WriteFile("registry.reg", FirebirdRegistryText(instanceDirectory));
        ProgramRun run;
        run.arguments = {ONARIM_CLI_PATH};
        run.arguments.insert(run.arguments.end(), arguments.begin(), arguments.end());
        run.input = password;
        run.environment = {{"ONARIM_REGISTRY", registry.string()}};
        run.environment.insert(run.environment.end(), extraEnvironment.begin(),
                               extraEnvironment.end());
        return RunProgram(run);
    }

    ScratchDirectory scratch{ScratchDirectory::Kind::WithBlanksAndTurkishLetters};
    std::vector<std::pair<std::string, std::optional<std::string>>> extraEnvironment;
};

// Standard error without the progress lines ("[00:00:03] Yedek alınıyor…").
std::string WithoutProgress(const std::string& errors) {
    std::string rest;
    std::size_t start = 0;
    while (start < errors.size()) {
        std::size_t end = errors.find('\n', start);
        end = end == std::string::npos ? errors.size() : end + 1;
        const std::string line = errors.substr(start, end - start);
        if (!(line.size() > 11 && line[0] == '[' && line[9] == ']')) {
            rest += line;
        }
        start = end;
    }
    return rest;
}

// Standard output without the line that names the kept copy, and that copy's path.
std::pair<std::string, std::string> WithoutCopyLine(const std::string& output) {
    const std::string marker = "Özgün dosyanın kopyası: ";
    const std::size_t at = output.find(marker);
    if (at == std::string::npos) {
        return {output, ""};
    }
    const std::size_t end = output.find('\n', at);
    return {output.substr(0, at) + output.substr(end + 1),
            output.substr(at + marker.size(), end - at - marker.size())};
}

TEST_F(RepairCliFirebirdTest, SoundDatabaseExitsZeroWithTheNoErrorMessage) {
    const TestDatabase database = CreateTestDatabase(scratch.File("sağlam.fdb"), {.rowCount = 10});
    const ProgramResult result = RunCli({database.path});
    EXPECT_EQ(result.exitCode, 0) << result.Describe();
    EXPECT_EQ(result.output, "Bilgi: " + database.path + " Veri Tabanında hata bulunamadı...\n");
    EXPECT_NE(result.errors.find("] İlk doğrulama… bitti (çıkış durumu 0"), std::string::npos)
        << result.errors;
    EXPECT_EQ(WithoutProgress(result.errors), "");
}

// Under the C locale too: the program sees to it that the Turkish letters of the path reach
// the engine and the tools.
TEST_F(RepairCliFirebirdTest, DamagedDatabaseIsRepairedAndKeepsItsRows) {
    const TestDatabase database = CreateTestDatabase(scratch.File("Müşteri Kayıtları.fdb"));
    DamageDatabase(database, DamageKind::RecordLengthPastPage);
    extraEnvironment = {{"LC_ALL", "C"}, {"LANG", std::nullopt}};
    const ProgramResult result = RunCli({database.path});
    EXPECT_EQ(result.exitCode, 0) << result.Describe();
    const auto [output, copy] = WithoutCopyLine(result.output);
    EXPECT_EQ(output, kCompleted);
    EXPECT_TRUE(copy.starts_with(scratch.File("Müşteri Kayıtları.onarim-"))) << copy;
    EXPECT_TRUE(FileExists(copy));
    EXPECT_EQ(ReadRows(database.path), ExpectedRows(database.rowCount));
    EXPECT_FALSE(FileExists(scratch.File("BACKUP.GBK")));
}

TEST_F(RepairCliFirebirdTest, VerboseShowsTheWholeReportAndTheToolsOutput) {
    const TestDatabase database = CreateTestDatabase(scratch.File("hasarlı.fdb"));
    DamageDatabase(database, DamageKind::RecordLengthPastPage);
    const ProgramResult result = RunCli({"--verbose", database.path});
    EXPECT_EQ(result.exitCode, 0) << result.Describe();
    EXPECT_NE(result.output.find("Doğrulama raporu:\nSummary of validation errors\n"),
              std::string::npos)
        << result.output;
    EXPECT_NE(result.output.find("\tNumber of "), std::string::npos) << result.output;
    EXPECT_NE(result.output.find("Doğrulama raporu boş."), std::string::npos) << result.output;
    EXPECT_NE(result.output.find(kCompleted), std::string::npos) << result.output;
    EXPECT_NE(result.output.find("records written"), std::string::npos) << "gbak's own lines";
    // gfix, let through, prints its own summary after the report's.
    const std::size_t report = result.output.find("Summary of validation errors");
    EXPECT_NE(result.output.find("Summary of validation errors", report + 1), std::string::npos)
        << result.output;
}

TEST_F(RepairCliFirebirdTest, RunsThatStopEarlyTellWhyWithTheirExitStatus) {
    const TestDatabase database = CreateTestDatabase(scratch.File("hasarlı.fdb"));
    DamageDatabase(database, DamageKind::GarbledRecordHeader);
    const std::string missing = scratch.File("yok.fdb");
    const std::string noTools = scratch.Path().string() + "/";
    struct Case {
        const char* label;
        std::vector<std::string> arguments;
        std::string password;
        std::string instanceDirectory;
        int exitCode;
        std::string output;
        std::string errors;
    } cases[] = {
        {"missing file",
         {missing},
         "masterkey\n",
         "/usr/",
         2,
         "Bilgi: " + missing + "\nisimi veri Tabanı bulunamadı...\n",
         ""},
        {"empty password", {database.path}, "\n", "/usr/", 2, "", ""},
        {"no password at all", {database.path}, "", "/usr/", 2, "", ""},
        {"missing tool",
         {database.path},
         "masterkey\n",
         noTools,
         1,
         "Dikkat: Onarım için gerekli olan " + noTools +
             "bin/gfix dosyası bulunamadı.\n"
             "Lütfen kontrol ediliniz\n",
         ""},
        {"no database named",
         {},
         "masterkey\n",
         "/usr/",
         2,
         "",
         "onarim-cli: missing database file operand\nTry 'onarim-cli --help' for more "
         "information.\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        const ProgramResult result = RunCli(c.arguments, c.password, c.instanceDirectory);
        EXPECT_EQ(result.exitCode, c.exitCode) << result.Describe();
        EXPECT_EQ(WithoutCopyLine(result.output).first, c.output);
        EXPECT_EQ(WithoutProgress(result.errors), c.errors);
    }
    EXPECT_FALSE(FileExists(scratch.File("BACKUP.GBK")));
}

// The repair's component traces nothing, so a run must leave none of the trace monitor's
// world-writable objects behind in /dev/shm, whichever way the repair goes.
TEST_F(RepairCliFirebirdTest, RunsLeaveNoTraceObjectBehind) {
    const TestDatabase sound = CreateTestDatabase(scratch.File("sağlam.fdb"), {.rowCount = 10});
    const TestDatabase damaged = CreateTestDatabase(scratch.File("hasarlı.fdb"));
    DamageDatabase(damaged, DamageKind::RecordLengthPastPage);
    const struct {
        const char* label;
        std::string database;
        int exitCode;
    } cases[] = {
        {"sound database", sound.path, 0},
        {"damaged database, repaired", damaged.path, 0},
        {"missing database", scratch.File("yok.fdb"), 2},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        const TScopedSharedNames names(MonitorObjectNames()); // the child inherits the names
        const ProgramResult result = RunCli({c.database});
        EXPECT_EQ(result.exitCode, c.exitCode) << result.Describe();
        EXPECT_FALSE(AnyMonitorObjectExists());
    }
}

TEST_F(RepairCliFirebirdTest, ErrorThatEndsTheRunGoesToStandardErrorAsTheBoxWouldShowIt) {
    const TestDatabase database = CreateTestDatabase(scratch.File("sağlam.fdb"), {.rowCount = 10});
    extraEnvironment = {{"ONARIM_CLIENT_LIBRARY", "/nonexistent/libfbclient.so.2"}};
    const ProgramResult result = RunCli({database.path});
    EXPECT_EQ(result.exitCode, 3);
    EXPECT_EQ(result.output, "");
    EXPECT_EQ(result.errors, "onarim-cli: InterBase library gds32.dll not found in the path. "
                             "Please install InterBase to use this functionality.\n");
}

} // namespace
} // namespace onarim

namespace onarim {
namespace {

using namespace onarim::testing;
using namespace std::chrono_literals;

class RepairCliTruthTest : public ::testing::Test {
protected:
    ProgramResult RunCli(std::vector<std::string> arguments) {
        const auto registry = scratch.WriteFile("registry.reg", FirebirdRegistryText("/usr/"));
        ProgramRun run;
        run.arguments = {ONARIM_CLI_PATH};
        run.arguments.insert(run.arguments.end(), arguments.begin(), arguments.end());
        run.input = "masterkey\n";
        run.environment = {{"ONARIM_REGISTRY", registry.string()}};
        return RunProgram(run);
    }

    ScratchDirectory scratch{ScratchDirectory::Kind::WithBlanksAndTurkishLetters};
};

// The mend drops a page of live blob records and gbak restores those blobs empty: the tools
// all say success. The count sees the loss, and every value still readable in the kept copy
// is written back; the one blob whose record the damage hit itself stays lost, and is told.
TEST_F(RepairCliTruthTest, LostBlobValuesAreWrittenBackFromTheKeptCopy) {
    const TestDatabase database =
        CreateTestDatabase(scratch.File("notlar.fdb"), {.rowCount = 3000, .notes = true});
    DamageDatabase(database, DamageKind::RecordLengthPastPage, DamageTarget::LiveBlobs);
    const ProgramResult result = RunCli({"--json", database.path});
    EXPECT_EQ(result.exitCode, 4) << result.Describe();
    const nlohmann::json report = nlohmann::json::parse(result.output);
    EXPECT_EQ(report["outcome"], "repaired-with-losses");
    const std::int64_t skipped = report["skippedBlobs"]["ITEMS"]["NOTE"];
    EXPECT_GT(skipped, 1) << "gbak skipped the page's notes";
    ASSERT_EQ(report["putBack"].size(), 1u) << result.output;
    EXPECT_EQ(report["putBack"][0]["blobs"], skipped - 1);
    EXPECT_EQ(report["putBack"][0]["rawBlobs"], skipped - 1) << "read from the kept copy's pages";
    ASSERT_EQ(report["losses"].size(), 1u);
    EXPECT_EQ(report["losses"][0]["blobsLost"]["NOTE"], 1);
    EXPECT_EQ(report["losses"][0]["rawBlobs"], skipped - 1);
    const std::string message = report["message"];
    const std::string written = std::to_string(skipped - 1);
    EXPECT_TRUE(message.starts_with("Veri Tabanı onarıldı, ancak bazı veriler kurtarılamadı...\r\n"
                                    "ITEMS.NOTE: 1 blob değeri kayboldu\r\nÖzgün dosyadan geri "
                                    "yazılan: 0 kayıt, " +
                                    written +
                                    " blob değeri\r\nITEMS: 0 "
                                    "kayıt ve " +
                                    written +
                                    " blob değeri doğrudan sayfalardan "
                                    "okundu\r\nÖzgün dosyanın kopyası: "))
        << message;
    EXPECT_NE(result.errors.find("Dikkat: Veri Tabanı onarıldı, ancak"), std::string::npos)
        << "with --json the message goes to standard error";
    EXPECT_EQ(ReadRows(database.path), ExpectedRows(database.rowCount));
    int notesBack = 0;
    for (const auto& [id, note] : ReadNotes(database.path)) {
        notesBack += note == ExpectedNote(id) ? 1 : 0;
    }
    EXPECT_EQ(notesBack, 2999);
    const std::string keptCopy = report["keptCopy"];
    EXPECT_TRUE(FileExists(keptCopy.substr(0, keptCopy.size() - 4) + ".json"));
}

// A page gbak cannot read stops its backup: what can still be read goes into a new database
// beside the damaged one, which stays as the mend left it. A data page of the wrong type loses
// the rows on it; a blob page of the wrong type only the one value it holds a part of, and the
// report names that value's row.
TEST_F(RepairCliTruthTest, ABackupThatFailsEndsInASalvagedDatabase) {
    const struct {
        const char* label;
        const char* file;
        DamageSite (*damage)(const TestDatabase&);
        std::size_t minRowsLost, maxRowsLost;
        std::size_t valuesLost; // NOTE values of rows that were kept
    } cases[] = {
        {"blob page of the wrong type, beyond mending", "kırık blob.fdb",
         [](const TestDatabase& database) { return DamageBlobPage(database, true); }, 0, 0, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        const TestDatabase database = CreateTestDatabase(
            scratch.File(c.file), {.rowCount = 3000, .notes = true, .largeNoteEvery = 100});
        const std::string undamaged = scratch.File(std::string("sağlam ") + c.file);
        std::filesystem::copy_file(database.path, undamaged);
        const DamageSite site = c.damage(database);
        const std::string original = ReadFileBytes(database.path);
        const std::vector<TableRow> rowsBefore = ReadRows(undamaged);
        const std::map<int, std::string> notesBefore = ReadNotes(undamaged);
        ASSERT_EQ(notesBefore.size(), 3000u);
        ASSERT_EQ(notesBefore.at(100), ExpectedLargeNote(100));

        const ProgramResult result = RunCli({"--json", database.path});
        EXPECT_EQ(result.exitCode, 4) << result.Describe();
        const nlohmann::json report = nlohmann::json::parse(result.output);
        EXPECT_EQ(report["outcome"], "salvaged");
        const std::string stem = std::filesystem::path(database.path).stem().string();
        const std::string salvaged = scratch.File(stem + ".kurtarilan.fdb");
        EXPECT_EQ(report["salvage"]["database"], salvaged);

        std::map<int, TableRow> rowsByKey;
        for (const TableRow& row : rowsBefore) {
            rowsByKey[row.id] = row;
        }
        const std::vector<TableRow> rows = ReadRows(salvaged);
        for (const TableRow& row : rows) {
            EXPECT_EQ(row, rowsByKey.at(row.id));
        }
        const std::size_t rowsLost = rowsBefore.size() - rows.size();
        EXPECT_GE(rowsLost, c.minRowsLost);
        EXPECT_LE(rowsLost, c.maxRowsLost) << "only the damaged page's rows";
        const std::map<int, std::string> notes = ReadNotes(salvaged);
        std::vector<int> valuesLost;
        for (const TableRow& row : rows) {
            const auto note = notes.find(row.id);
            if (note == notes.end()) {
                valuesLost.push_back(row.id);
            } else {
                EXPECT_TRUE(note->second == notesBefore.at(row.id)) << "NOTE of ID " << row.id;
            }
        }
        ASSERT_EQ(valuesLost.size(), c.valuesLost) << site.Describe();
        const nlohmann::json& items = report["salvage"]["tables"][0];
        EXPECT_EQ(items["rows"], rows.size());
        EXPECT_EQ(items["blobs"], notes.size());
        const std::string message = report["message"];
        for (const int id : valuesLost) {
            EXPECT_EQ(id % database.largeNoteEvery, 0) << "a large note";
            const std::string where = "ITEMS.NOTE (ID=" + std::to_string(id) + "): ";
            EXPECT_EQ(std::count_if(items["problems"].begin(), items["problems"].end(),
                                    [&](const nlohmann::json& problem) {
                                        return problem.get<std::string>().starts_with(where);
                                    }),
                      1)
                << items["problems"].dump();
            EXPECT_NE(message.find("ITEMS.NOTE: 1 blob değeri kayboldu"), std::string::npos)
                << message;
        }
        const std::string keptCopy = report["keptCopy"];
        EXPECT_TRUE(ReadFileBytes(keptCopy) == original) << "the copy is the file as it was";
        if (!valuesLost.empty()) {
            EXPECT_NE(items["problems"][0].get<std::string>().find("(" + keptCopy + ")"),
                      std::string::npos)
                << "the problem names the kept copy, not a transient one";
        }
        EXPECT_NE(message.find(salvaged), std::string::npos) << message;
        EXPECT_NE(message.find("Hasarlı veri tabanı yerinde bırakıldı: " + database.path),
                  std::string::npos);
        EXPECT_EQ(message.find("doğrulaması hata bildirdi"), std::string::npos) << message;
        const ValidationResult validation = ServiceRepairValidation(salvaged);
        EXPECT_TRUE(validation.Clean()) << validation.run.Describe();
    }
}

// The validation itself fails with a read past the end of the file: that is the report, and
// the tools repair the database without losing a row.
TEST_F(RepairCliTruthTest, DamageThatStopsTheValidationIsRepaired) {
    const TestDatabase database = CreateTestDatabase(scratch.File("dizin.fdb"), {.rowCount = 3000});
    DamageIndexSibling(database);
    const ProgramResult result = RunCli({"--verbose", database.path});
    EXPECT_EQ(result.exitCode, 0) << result.Describe();
    EXPECT_NE(result.output.find("File size is less than expected"), std::string::npos)
        << result.output;
    EXPECT_NE(result.output.find("Veri Tabanı düzeltme işlemi tamamlandı..."), std::string::npos);
    EXPECT_EQ(ReadRows(database.path), ExpectedRows(database.rowCount));
    EXPECT_TRUE(ReadOnlyValidation(database.path).Clean());
}

// Another process has the database open: nothing is written, the database stays as it was.
TEST_F(RepairCliTruthTest, ADatabaseInUseIsLeftAlone) {
    const TestDatabase database = CreateTestDatabase(scratch.File("açık.fdb"), {.rowCount = 100});
    DamageDatabase(database, DamageKind::RecordLengthPastPage);
    TChildProcess holder(DATABASE_HOLDER, {database.path, "any"});
    ASSERT_EQ(holder.ReadLine(30s), "attached");
    const std::string bytes = ReadFileBytes(database.path);
    scratch.WriteFile("registry.reg", FirebirdRegistryText("/usr/"));
    const auto files = std::distance(std::filesystem::directory_iterator(scratch.Path()),
                                     std::filesystem::directory_iterator());

    const ProgramResult result = RunCli({database.path});
    EXPECT_EQ(result.exitCode, 1) << result.Describe();
    EXPECT_NE(
        result.output.find("Dikkat: " + database.path + "\nVeri Tabanına başka bağlantılar var."),
        std::string::npos)
        << result.output;
    EXPECT_TRUE(ReadFileBytes(database.path) == bytes);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(scratch.Path()),
                            std::filesystem::directory_iterator()),
              files);
}

} // namespace
} // namespace onarim
