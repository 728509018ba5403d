// DatabaseInUse against the real engine, with the database held by another process: its own
// embedded engine, or the Firebird server on 127.0.0.1:3050.
#include <cstdlib>
#include <filesystem>

#include <gtest/gtest.h>

#include "client/SqlAttachment.h"
#include "recovery/DatabaseInUse.h"
#include "support/ChildProcess.h"
#include "support/ScratchDirectory.h"
#include "support/TestDatabase.h"

namespace onarim {
namespace {

using namespace onarim::testing;
using namespace std::chrono_literals;

enum class Holder { Nobody, OtherProcessEmbedded, ServerConnection, AttachmentOfThisProcess };

struct InUseCase {
    const char* name;
    Holder holder;
    bool inUse;
};

void PrintTo(const InUseCase& inUse, std::ostream* out) {
    *out << inUse.name;
}

class DatabaseInUseTest : public ::testing::TestWithParam<InUseCase> {
protected:
    void SetUp() override {
        unsetenv("ONARIM_CLIENT_LIBRARY");
        // The server runs as its own user and must be able to open the file.
        std::filesystem::permissions(scratch.Path(), std::filesystem::perms::all);
        database = CreateTestDatabase(scratch.File("kullanımda.fdb"),
                                      {.rowCount = 5, .deletedRows = false});
        std::filesystem::permissions(
            database.path,
            std::filesystem::perms::owner_read | std::filesystem::perms::owner_write |
                std::filesystem::perms::group_read | std::filesystem::perms::group_write |
                std::filesystem::perms::others_read | std::filesystem::perms::others_write);
    }

    // Starts the holder program and waits until it has the database open.
    void HoldFromAnotherProcess(const std::string& connection, const std::string& password) {
        holder = std::make_unique<TChildProcess>(DATABASE_HOLDER,
                                                 std::vector<std::string>{connection, password});
        ASSERT_EQ(holder->ReadLine(30s), "attached") << "the holder could not attach";
    }

    ScratchDirectory scratch;
    TestDatabase database;
    std::unique_ptr<TChildProcess> holder;
};

TEST_P(DatabaseInUseTest, TellsWhetherSomebodyElseHasTheDatabaseOpen) {
    std::unique_ptr<TSqlAttachment> ownAttachment;
    switch (GetParam().holder) {
    case Holder::Nobody:
        break;
    case Holder::OtherProcessEmbedded:
        HoldFromAnotherProcess(database.path, "any");
        break;
    case Holder::ServerConnection: {
        const char* password = std::getenv("ONARIM_TEST_SYSDBA_PASSWORD");
        if (password == nullptr || *password == '\0') {
            GTEST_SKIP() << "ONARIM_TEST_SYSDBA_PASSWORD is not set (scripts/test.sh sets it)";
        }
        HoldFromAnotherProcess("127.0.0.1:" + database.path, password);
        break;
    }
    case Holder::AttachmentOfThisProcess:
        ownAttachment = std::make_unique<TSqlAttachment>(database.path, "SYSDBA", "any");
        break;
    }
    EXPECT_EQ(DatabaseInUse(database.path, {"SYSDBA", "any"}), GetParam().inUse);
}

INSTANTIATE_TEST_SUITE_P(
    Holders, DatabaseInUseTest,
    ::testing::Values(InUseCase{"Nobody", Holder::Nobody, false},
                      InUseCase{"OtherProcessEmbedded", Holder::OtherProcessEmbedded, true},
                      InUseCase{"ServerConnection", Holder::ServerConnection, true},
                      InUseCase{"AttachmentOfThisProcess", Holder::AttachmentOfThisProcess, true}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
} // namespace onarim
