// onarim-cli --check as a monitor runs it: against the Firebird server on 127.0.0.1, with
// another attachment holding a transaction open all the while.
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <map>
#include <regex>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "platform/ProcessIdentity.h"
#include "support/ChildProcess.h"
#include "support/DatabaseDamage.h"
#include "support/DatabasePages.h"
#include "support/PageHeaderDamage.h"
#include "support/ScratchDirectory.h"
#include "support/TestDatabase.h"
#include "support/ToolRun.h"

namespace onarim {
namespace {

using namespace onarim::testing;
using namespace std::chrono_literals;

// Pages no check may change: pointer, data, index b-tree and blob pages. The header and the
// transaction inventory change with every attachment and transaction.
std::map<std::uint32_t, DatabasePages::Page> ContentPages(const std::string& path) {
    const DatabasePages pages(path);
    std::map<std::uint32_t, DatabasePages::Page> content;
    for (std::uint32_t number = 0; number < pages.PageCount(); ++number) {
        DatabasePages::Page page = pages.Read(number);
        if (page[0] == 4 || page[0] == 5 || page[0] == 7 || page[0] == 8) {
            content.emplace(number, std::move(page));
        }
    }
    return content;
}

// A port on 127.0.0.1 nobody listens on.
int FreePort() {
    const int socket = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    ::bind(socket, reinterpret_cast<sockaddr*>(&address), sizeof address);
    ::getsockname(socket, reinterpret_cast<sockaddr*>(&address), &length);
    ::close(socket);
    return ntohs(address.sin_port);
}

class CheckCliFirebirdTest : public ::testing::Test {
protected:
    void SetUp() override {
        const char* password = std::getenv("ONARIM_TEST_SYSDBA_PASSWORD");
        if (password == nullptr || *password == '\0') {
            GTEST_SKIP() << "ONARIM_TEST_SYSDBA_PASSWORD is not set (scripts/test.sh sets it)";
        }
        password_ = password;
        // The server runs as its own user: it must reach the folder and open the files.
        using std::filesystem::perms;
        std::filesystem::permissions(scratch.Path().parent_path(), perms::all);
        std::filesystem::permissions(scratch.Path(), perms::all);
    }

    TestDatabase MakeDatabase(const std::string& name) {
        TestDatabase database = CreateTestDatabase(scratch.File(name),
                                                   {.rowCount = 3000, .deletedRows = false});
        ServeFile(database.path);
        return database;
    }

    static void ServeFile(const std::string& path) {
        using std::filesystem::perms;
        std::filesystem::permissions(path, perms::owner_read | perms::owner_write |
                                               perms::group_read | perms::group_write |
                                               perms::others_read | perms::others_write);
    }

    // The check, its password in the environment as a timer gives it, standard input empty.
    ProgramResult RunCheck(std::vector<std::string> arguments,
                           ProgramRun::Environment environment = {}) {
        ProgramRun run;
        run.arguments = {ONARIM_CLI_PATH, "--check"};
        run.arguments.insert(run.arguments.end(), arguments.begin(), arguments.end());
        run.environment = {{"ISC_USER", std::nullopt}, {"ISC_PASSWORD", password_}};
        run.environment.insert(run.environment.end(), environment.begin(), environment.end());
        return RunProgram(run);
    }

    std::unique_ptr<TChildProcess> Hold(const std::string& path, std::vector<std::string> options) {
        std::vector<std::string> arguments = {"127.0.0.1:" + path, password_};
        arguments.insert(arguments.end(), options.begin(), options.end());
        auto holder = std::make_unique<TChildProcess>(TRANSACTION_HOLDER, arguments);
        EXPECT_EQ(holder->ReadLine(60s), "holding") << "the holder could not attach";
        return holder;
    }

    // The holder's attachment and transaction still work after the check.
    static void ExpectStillWorks(TChildProcess& holder) {
        holder.Kill(SIGUSR1);
        EXPECT_EQ(holder.ReadLine(30s), "works");
    }

    ScratchDirectory scratch{ScratchDirectory::Kind::WithBlanksAndTurkishLetters};
    std::string password_;
};

// The path as the repair advice quotes it for a shell (the scratch folder has blanks).
std::string Quoted(const std::string& path) { return "'" + path + "'"; }

TEST_F(CheckCliFirebirdTest, TellsTheStateOfADatabaseInUseAndChangesNothing) {
    const struct Case {
        const char* label;
        std::function<void(const TestDatabase&)> prepare;
        std::vector<std::string> holderOptions;
        std::vector<std::string> arguments;
        int exitCode;
        std::string text; // after "<path>: "
    } cases[] = {
        {"sound", [](const TestDatabase&) {}, {}, {}, 0,
         "sağlam, 1 tablo doğrulandı, hata yok"},
        {"record length past its page",
         [](const TestDatabase& db) {
             DamageDatabase(db, DamageKind::RecordLengthPastPage, DamageTarget::LiveRows);
         },
         {}, {}, 2, "doğrulama hata buldu: ITEMS tablosunda 1 hata; "},
        {"garbled index page", [](const TestDatabase& db) { DamageIndexPage(db); }, {}, {}, 2,
         "doğrulama hata buldu: ITEMS tablosunda 7 hata; "},
        {"page of the wrong type",
         [](const TestDatabase& db) {
             DamageDatabase(db, DamageKind::WrongPageType, DamageTarget::LiveRows);
         },
         {}, {}, 2, "doğrulama hata buldu: ITEMS tablosunda 1 hata; "},
        {"forced writes off",
         [](const TestDatabase& db) {
             const ToolResult gfix = RunTool({"gfix", "-write", "async", "-user", "SYSDBA",
                                              "-password", "masterkey", db.path});
             ASSERT_TRUE(gfix.Succeeded()) << gfix.Describe();
         },
         {}, {}, 1, "zorunlu yazma (forced writes) kapalı: "},
        {"transaction held open while others commit", [](const TestDatabase&) {},
         {"--commits", "60"}, {"--warn-gap", "50"}, 1, "işlem farkı "},
        {"table locked by the held transaction", [](const TestDatabase&) {},
         {"--reserve", "ITEMS"}, {}, 1,
         "ITEMS tablosu başka bir işlemin kilidi yüzünden doğrulanamadı"},
    };
    int number = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        const TestDatabase database = MakeDatabase("denetim " + std::to_string(++number) + ".fdb");
        c.prepare(database);
        const auto holder = Hold(database.path, c.holderOptions);
        const auto before = ContentPages(database.path);

        std::vector<std::string> arguments = c.arguments;
        arguments.push_back(database.path);
        const ProgramResult result = RunCheck(arguments);
        EXPECT_EQ(result.exitCode, c.exitCode) << result.Describe();
        const std::string status = c.exitCode == 0   ? "OK"
                                   : c.exitCode == 1 ? "WARNING"
                                                     : "CRITICAL";
        const std::string head = "ONARIM " + status + " - " + database.path + ": " + c.text;
        EXPECT_TRUE(result.output.starts_with(head)) << result.output;
        if (c.exitCode == 2) {
            EXPECT_NE(result.output.find("veri tabanına bağlı kullanıcı yokken onarımı "
                                         "çalıştırın: onarim-cli " + Quoted(database.path)),
                      std::string::npos)
                << result.output;
        }
        EXPECT_TRUE(std::regex_search(result.output,
                                      std::regex(" \\| pages=[0-9]+ gap=[0-9]+;[0-9]+ "
                                                 "errors=[0-9]+\n$")))
            << result.output;
        EXPECT_EQ(std::count(result.output.begin(), result.output.end(), '\n'), 1);

        EXPECT_TRUE(ContentPages(database.path) == before) << "a content page changed";
        ExpectStillWorks(*holder);
    }
}

// The JSON result carries every fact and line; the transaction numbers are the server's own,
// with the transaction held open elsewhere in them.
TEST_F(CheckCliFirebirdTest, JsonCarriesTheFactsTheLinesAndEachFinding) {
    const TestDatabase database = MakeDatabase("json.fdb");
    DamageDatabase(database, DamageKind::RecordLengthPastPage, DamageTarget::LiveRows);
    const auto holder = Hold(database.path, {"--commits", "60"});

    const ProgramResult result = RunCheck({"--json", "--warn-gap", "50", database.path});
    EXPECT_EQ(result.exitCode, 2) << result.Describe();
    const nlohmann::json report = nlohmann::json::parse(result.output);
    EXPECT_EQ(report["status"], "CRITICAL");
    EXPECT_EQ(report["exitStatus"], 2);
    EXPECT_EQ(report["database"], database.path);
    const nlohmann::json& facts = report["facts"];
    EXPECT_EQ(facts["odsVersion"], "12.0");
    EXPECT_EQ(facts["pageSize"], 4096);
    EXPECT_EQ(facts["dialect"], 3);
    EXPECT_EQ(facts["forcedWrites"], true);
    EXPECT_GE(facts["nextTransaction"].get<long>() - facts["oldestActive"].get<long>(), 60)
        << "the held transaction is the oldest active one";

    const nlohmann::json& validation = report["validation"];
    const auto& lines = validation["lines"];
    EXPECT_TRUE(std::any_of(lines.begin(), lines.end(), [](const nlohmann::json& line) {
        return line.get<std::string>().ends_with("Relation 128 (ITEMS) : 1 ERRORS found");
    })) << lines.dump();
    ASSERT_EQ(validation["tables"].size(), 1u);
    EXPECT_EQ(validation["tables"][0]["name"], "ITEMS");
    EXPECT_EQ(validation["tables"][0]["errors"], 1);

    std::vector<std::string> levels;
    for (const auto& finding : report["findings"]) {
        levels.push_back(finding["level"]);
    }
    EXPECT_EQ(levels, (std::vector<std::string>{"CRITICAL", "WARNING"}));
    ExpectStillWorks(*holder);
}

// What keeps the check from being done is UNKNOWN; a file the server refuses is damage when
// it starts like a database.
TEST_F(CheckCliFirebirdTest, TellsWhyADatabaseCouldNotBeChecked) {
    const TestDatabase database = MakeDatabase("sağlam.fdb");
    const TestDatabase garbled = MakeDatabase("başlık.fdb");
    GarbleHeaders(garbled, HeaderTarget::HeaderPage, HeaderGarbage::AnotherType);
    const std::string text = scratch.WriteFile("metin.fdb", std::string(8192, 'x')).string();
    ServeFile(text);
    const TestDatabase repaired = MakeDatabase("onarılan.fdb");
    const std::string journal = scratch.File("onarılan.onarim-20250101-120000.json");
    const nlohmann::json running = {
        {"database", repaired.path},
        {"outcome", "running"},
        {"process", {{"pid", ThisProcess().pid}, {"startTicks", ThisProcess().startTicks}}},
    };
    scratch.WriteFile(std::filesystem::path(journal).filename(), running.dump());
    const std::string missing = scratch.File("yok.fdb");
    const std::string port = std::to_string(FreePort());
    const struct {
        const char* label;
        std::vector<std::string> arguments;
        ProgramRun::Environment environment;
        int exitCode;
        std::string output; // up to the performance data
    } cases[] = {
        {"no server listening", {"--server", "127.0.0.1/" + port, database.path}, {}, 3,
         "ONARIM UNKNOWN - " + database.path + ": sunucu yanıt vermiyor (127.0.0.1/" + port +
             "): Unable to complete network request to host \"127.0.0.1\": Failed to "
             "establish a connection"},
        {"wrong password", {database.path}, {{"ISC_PASSWORD", "yanlış-parola"}}, 3,
         "ONARIM UNKNOWN - " + database.path +
             ": sunucu SYSDBA kullanıcısının parolasını kabul etmedi"},
        {"no password", {database.path}, {{"ISC_PASSWORD", std::nullopt}}, 3,
         "ONARIM UNKNOWN - " + database.path + ": parola verilmedi"},
        {"missing file", {missing}, {}, 3,
         "ONARIM UNKNOWN - " + missing + ": veri tabanı dosyası bulunamadı"},
        {"bad usage", {"--warn-gap", "çok", database.path}, {}, 3,
         "ONARIM UNKNOWN - kullanım hatası: invalid argument 'çok' for '--warn-gap'"},
        {"a text file", {text}, {}, 3,
         "ONARIM UNKNOWN - " + text + ": bu dosya bir veri tabanı değil"},
        {"a repair in progress", {repaired.path}, {}, 3,
         "ONARIM UNKNOWN - " + repaired.path + ": onarım sürüyor (süreç " +
             std::to_string(ThisProcess().pid) + ", rapor: " + journal + ")"},
        {"garbled header page", {garbled.path}, {}, 2,
         "ONARIM CRITICAL - " + garbled.path + ": veri tabanı hasar yüzünden açılamıyor (file " +
             garbled.path + " is not a valid database); veri tabanına bağlı kullanıcı yokken "
             "onarımı çalıştırın: onarim-cli " + Quoted(garbled.path)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        const ProgramResult result = RunCheck(c.arguments, c.environment);
        EXPECT_EQ(result.exitCode, c.exitCode) << result.Describe();
        EXPECT_EQ(result.output, c.output + " | pages=U gap=U;100000 errors=U\n");
    }
}

// Without a password in the environment it is read from standard input, as for a repair.
TEST_F(CheckCliFirebirdTest, TakesThePasswordFromStandardInput) {
    const TestDatabase database = MakeDatabase("girdi.fdb");
    ProgramRun run;
    run.arguments = {ONARIM_CLI_PATH, "--check", database.path};
    run.input = password_ + "\n";
    run.environment = {{"ISC_USER", std::nullopt}, {"ISC_PASSWORD", std::nullopt}};
    const ProgramResult result = RunProgram(run);
    EXPECT_EQ(result.exitCode, 0) << result.Describe();
}

} // namespace
} // namespace onarim
