// onarim-cli killed, interrupted, out of room, reached through a link, repairing a file of
// the server's user: the database path always holds a whole database the server can open.
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <grp.h>
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <pwd.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <regex>
#include <thread>

#include "cli/CliProcess.h"
#include "cli/CliRun.h"
#include "platform/Files.h"
#include "support/DatabaseDamage.h"
#include "support/FirebirdTools.h"
#include "support/ScopedMount.h"
#include "support/TestDatabase.h"

namespace onarim {
namespace {

using namespace onarim::testing;
using namespace std::chrono_literals;

constexpr int kRows = 600;

// What a run left in the database's folder besides the database.
std::vector<std::string> FilesBeside(const std::string& database) {
    std::vector<std::string> names;
    const auto folder = std::filesystem::path(database).parent_path();
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        if (entry.path() != database && entry.path().filename() != "registry.reg") {
            names.push_back(entry.path().filename().string());
        }
    }
    return names;
}

// Kept copies, reports, a salvaged database: what a finished repair may leave.
bool IsKeptOrReport(const std::string& name) {
    static const std::regex allowed(R"(.*\.onarim-\d{8}-\d{6}(-\d+)?(\.json|\.fdb)|.*\.kurtarilan\.fdb)");
    return std::regex_match(name, allowed);
}

std::vector<std::string> KeptCopies(const std::string& database) {
    static const std::regex copy(R"(.*\.onarim-\d{8}-\d{6}(-\d+)?\.fdb)");
    std::vector<std::string> copies;
    for (const std::string& name : FilesBeside(database)) {
        if (std::regex_match(name, copy)) {
            copies.push_back((std::filesystem::path(database).parent_path() / name).string());
        }
    }
    return copies;
}

std::vector<std::pair<std::string, std::string>> CliEnvironment(const ScratchDirectory& scratch,
                                                                  const std::string& hold) {
    const auto registry = scratch.WriteFile("registry.reg", FirebirdRegistryText("/usr/"));
    return {{"ONARIM_REGISTRY", registry.string()}, {"ONARIM_TEST_HOLD", hold}};
}

struct HoldCase {
    const char* step;
    bool salvage; // damage that fails the backup, so that the run salvages
};

class InterruptedRunTest : public ::testing::TestWithParam<HoldCase> {};

// Held at a step, then SIGKILL to onarim-cli alone, or SIGINT to its whole process group as a
// terminal's Ctrl-C sends it. Afterwards no tool runs, the database path opens with every row,
// the kept copy is the original, and the next run completes and cleans up.
TEST_P(InterruptedRunTest, TheDatabasePathHoldsAWholeDatabaseAndTheNextRunFinishes) {
    const HoldCase& c = GetParam();
    for (const int signal : {SIGKILL, SIGINT}) {
        SCOPED_TRACE(signal == SIGKILL ? "SIGKILL" : "SIGINT to the group");
        ScratchDirectory scratch;
        const TestDatabase database = CreateTestDatabase(
            scratch.File("kesinti.fdb"),
            {.rowCount = kRows, .notes = true, .largeNoteEvery = c.salvage ? 50 : 0});
        if (c.salvage) {
            DamageBlobPage(database, true);
        } else {
            DamageDatabase(database, DamageKind::RecordLengthPastPage, DamageTarget::LiveBlobs);
        }
        const std::string original = ReadFileBytes(database.path);

        TCliProcess run({ONARIM_CLI_PATH, database.path}, CliEnvironment(scratch, c.step),
                        "masterkey\n");
        ASSERT_TRUE(run.WaitForLine(std::string("ONARIM_TEST_HOLD ") + c.step, 180s))
            << run.Output();
        if (signal == SIGKILL) {
            run.Kill(SIGKILL);
        } else {
            run.KillGroup(SIGINT);
        }
        const auto status = run.Wait(180s);
        ASSERT_TRUE(status.has_value()) << run.Output();
        EXPECT_EQ(*status, signal == SIGKILL ? 137 : 130) << run.Output();
        if (signal == SIGINT) {
            EXPECT_NE(run.Output().find("güvenli biçimde durduruluyor"), std::string::npos)
                << run.Output();
        }
        std::this_thread::sleep_for(500ms);
        EXPECT_TRUE(ProcessesMentioning(database.path).empty()) << "a tool still runs";
        EXPECT_EQ(ReadRows(database.path), ExpectedRows(kRows));
        for (const std::string& copy : KeptCopies(database.path)) {
            EXPECT_TRUE(ReadFileBytes(copy) == original) << copy << " is not the original";
        }

        const ProgramResult next =
            RunOnarimCli(scratch, {database.path}, "masterkey\n", {{"ONARIM_TEST_HOLD", "none"}});
        EXPECT_TRUE(next.exitCode == 0 || next.exitCode == 4) << next.Describe();
        for (const std::string& name : FilesBeside(database.path)) {
            EXPECT_TRUE(IsKeptOrReport(name)) << "left behind: " << name;
        }
        EXPECT_EQ(ReadRows(database.path), ExpectedRows(kRows));
    }
}

INSTANTIATE_TEST_SUITE_P(Campaign, InterruptedRunTest,
                         ::testing::Values(HoldCase{"keep-copy", false},
                                           HoldCase{"page-check", false},
                                           HoldCase{"first-validation", false},
                                           HoldCase{"full-validation", false},
                                           HoldCase{"backup", false}, HoldCase{"restore", false},
                                           HoldCase{"second-validation", false},
                                           HoldCase{"recovery", false}, HoldCase{"salvage", true}),
                         [](const auto& info) {
                             std::string name = info.param.step;
                             std::erase(name, '-');
                             return name;
                         });

// Ctrl-C in the terminal that runs onarim-cli: the line discipline sends SIGINT to the
// foreground group, which is onarim-cli alone; it says it stops, stops gbak, and ends with 130.
TEST(CtrlCTest, StopsSafelyInATerminal) {
    ScratchDirectory scratch;
    const TestDatabase database =
        CreateTestDatabase(scratch.File("uçbirim.fdb"), {.rowCount = kRows, .notes = true});
    DamageDatabase(database, DamageKind::RecordLengthPastPage, DamageTarget::LiveBlobs);
    const auto environment = CliEnvironment(scratch, "restore");
    int terminal = -1;
    const pid_t pid = forkpty(&terminal, nullptr, nullptr, nullptr);
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        for (const auto& [name, value] : environment) {
            setenv(name.c_str(), value.c_str(), 1);
        }
        execl(ONARIM_CLI_PATH, ONARIM_CLI_PATH, database.path.c_str(), nullptr);
        _exit(127);
    }
    std::string seen;
    const auto readUntil = [&](const std::string& text) {
        const auto deadline = std::chrono::steady_clock::now() + 180s;
        char buffer[1024];
        while (seen.find(text) == std::string::npos && std::chrono::steady_clock::now() < deadline) {
            pollfd ready{terminal, POLLIN, 0};
            if (poll(&ready, 1, 1000) <= 0) {
                continue;
            }
            const ssize_t count = read(terminal, buffer, sizeof buffer);
            if (count <= 0) {
                break;
            }
            seen.append(buffer, static_cast<std::size_t>(count));
        }
        return seen.find(text) != std::string::npos;
    };
    ASSERT_TRUE(readUntil(":")) << seen; // the password prompt
    ASSERT_EQ(write(terminal, "masterkey\n", 10), 10);
    ASSERT_TRUE(readUntil("ONARIM_TEST_HOLD restore")) << seen;
    ASSERT_EQ(write(terminal, "\x03", 1), 1);
    EXPECT_TRUE(readUntil("güvenli biçimde durduruluyor")) << seen;
    int status = 0;
    const auto deadline = std::chrono::steady_clock::now() + 180s;
    fcntl(terminal, F_SETFL, fcntl(terminal, F_GETFL) | O_NONBLOCK);
    while (waitpid(pid, &status, WNOHANG) == 0) {
        ASSERT_LT(std::chrono::steady_clock::now(), deadline) << "onarim-cli did not end\n" << seen;
        char buffer[1024];
        if (const ssize_t count = read(terminal, buffer, sizeof buffer); count > 0) {
            seen.append(buffer, static_cast<std::size_t>(count));
        }
        std::this_thread::sleep_for(50ms);
    }
    close(terminal);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 130) << seen;
    EXPECT_TRUE(ProcessesMentioning(database.path).empty()) << "a tool still runs";
    EXPECT_EQ(ReadRows(database.path), ExpectedRows(kRows));
}

// The restore fills the disk: the database path keeps what it held, the partial restore is
// gone, and the message says why.
TEST(DiskFullTest, ARestoreThatFillsTheDiskLeavesTheDatabaseAsItWas) {
    ScratchDirectory scratch;
    const std::string mountPoint = scratch.File("küçük disk");
    std::filesystem::create_directory(mountPoint);
    ScopedTmpfs disk(mountPoint, 24u << 20);
    if (!disk.Mounted()) {
        GTEST_SKIP() << disk.Failure();
    }
    const TestDatabase database = CreateTestDatabase(mountPoint + "/dolu.fdb",
                                                     {.rowCount = 3000, .notes = true});
    DamageDatabase(database, DamageKind::RecordLengthPastPage, DamageTarget::LiveBlobs);
    const std::string release = scratch.File("devam");
    auto environment = CliEnvironment(scratch, "page-check");
    environment.emplace_back("ONARIM_TEST_HOLD_RELEASE", release);
    TCliProcess run({ONARIM_CLI_PATH, database.path}, environment, "masterkey\n");
    ASSERT_TRUE(run.WaitForLine("ONARIM_TEST_HOLD page-check", 180s)) << run.Output();
    // Leave room for the backup (a fraction of the database) but not for the restored
    // database beside it.
    const std::uint64_t size = std::filesystem::file_size(database.path);
    const std::uint64_t free = FreeBytes(mountPoint);
    ASSERT_GT(free, size) << "the disk is too small for the test";
    {
        std::FILE* filler = std::fopen((mountPoint + "/doldurucu").c_str(), "wb");
        const std::vector<char> block(1 << 16, 'x');
        for (std::uint64_t left = free - size / 2; left > 0;) {
            const std::size_t now = static_cast<std::size_t>(std::min<std::uint64_t>(left, block.size()));
            left -= std::fwrite(block.data(), 1, now, filler);
        }
        std::fclose(filler);
    }
    std::FILE* go = std::fopen(release.c_str(), "w");
    std::fclose(go);
    const auto status = run.Wait(300s);
    ASSERT_TRUE(status.has_value()) << run.Output();
    EXPECT_EQ(*status, 1) << run.Output();
    EXPECT_NE(run.Output().find("diskte yer kalmadı"), std::string::npos) << run.Output();
    for (const std::string& name : FilesBeside(database.path)) {
        EXPECT_EQ(name.find("-geri"), std::string::npos) << "a partial restore is left: " << name;
    }
    EXPECT_EQ(ReadRows(database.path), ExpectedRows(3000));
}

// A database reached through a symbolic link: the link stays a link, and the file it points
// to is the repaired database.
TEST(SymbolicLinkTest, TheLinkStaysAndItsFileIsRepaired) {
    ScratchDirectory scratch;
    std::filesystem::create_directory(scratch.File("gerçek"));
    const TestDatabase database = CreateTestDatabase(scratch.File("gerçek/veri.fdb"),
                                                     {.rowCount = kRows, .notes = true});
    DamageDatabase(database, DamageKind::RecordLengthPastPage, DamageTarget::LiveBlobs);
    const std::string link = scratch.File("bağlantı.fdb");
    std::filesystem::create_symlink(database.path, link);

    const ProgramResult result = RunOnarimCli(scratch, {link});
    EXPECT_TRUE(result.exitCode == 0 || result.exitCode == 4) << result.Describe();
    EXPECT_TRUE(std::filesystem::is_symlink(link));
    EXPECT_EQ(std::filesystem::read_symlink(link), database.path);
    EXPECT_TRUE(ServiceRepairValidation(database.path).Clean());
    EXPECT_EQ(ReadRows(link), ExpectedRows(kRows));
}

// A database of the server's user, 0660, repaired as root: the repaired database, a salvaged
// one and the kept copy are the server's, as the original was, and the server opens it.
TEST(OwnershipTest, RepairedAndSalvagedDatabasesKeepTheServersOwnerAndMode) {
    const passwd* firebird = getpwnam("firebird");
    if (geteuid() != 0 || firebird == nullptr) {
        GTEST_SKIP() << "needs root and the firebird user";
    }
    for (const bool salvage : {false, true}) {
        SCOPED_TRACE(salvage ? "salvaged" : "repaired");
        ScratchDirectory scratch;
        chmod(scratch.Path().c_str(), 0755);
        const TestDatabase database = CreateTestDatabase(
            scratch.File("sunucunun.fdb"),
            {.rowCount = kRows, .notes = true, .largeNoteEvery = salvage ? 50 : 0});
        if (salvage) {
            DamageBlobPage(database, true);
        } else {
            DamageDatabase(database, DamageKind::RecordLengthPastPage, DamageTarget::LiveBlobs);
        }
        ASSERT_EQ(chown(database.path.c_str(), firebird->pw_uid, firebird->pw_gid), 0);
        ASSERT_EQ(chmod(database.path.c_str(), 0660), 0);

        const ProgramResult result = RunOnarimCli(scratch, {"--json", database.path});
        ASSERT_TRUE(result.exitCode == 0 || result.exitCode == 4) << result.Describe();
        const nlohmann::json report = nlohmann::json::parse(result.output);
        std::vector<std::string> files{database.path, report["keptCopy"]};
        if (salvage) {
            files.push_back(report["salvage"]["database"]);
        }
        for (const std::string& file : files) {
            struct stat status {};
            ASSERT_EQ(stat(file.c_str(), &status), 0) << file;
            EXPECT_EQ(status.st_uid, firebird->pw_uid) << file;
            EXPECT_EQ(status.st_gid, firebird->pw_gid) << file;
            EXPECT_EQ(status.st_mode & 07777, 0660u) << file;
        }
        const char* password = std::getenv("ONARIM_TEST_SYSDBA_PASSWORD");
        if (password != nullptr) {
            const ToolResult opened = RunTool({"isql-fb", "-q", "-user", "SYSDBA", "-password",
                                               password, "127.0.0.1:" + files.back()});
            EXPECT_TRUE(opened.Succeeded()) << opened.Describe();
        }
    }
}

} // namespace
} // namespace onarim
