#include <cstdlib>

#include <gtest/gtest.h>

#include "repair/ExecuteAndWait.h"
#include "repair/ServerToolDir.h"
#include "platform/Files.h"
#include "platform/ServerToolNames.h"
#include "support/FirebirdRegistry.h"
#include "support/ScratchDirectory.h"

namespace onarim {
namespace {

std::string Quoted(const std::filesystem::path& path) {
    return "\"" + path.string() + "\"";
}

// Debian's Firebird as its registry entry describes it: the tools are found, and they take
// database paths with blanks and Turkish letters through the runner.
TEST(ServerToolsFirebirdTest, DebiansFirebirdToolsAreFoundAndRun) {
    testing::ScratchDirectory scratch;
    std::string toolDir;
    {
        testing::ScopedFirebirdRegistry registry(scratch);
        toolDir = GetFirebirdToolDir();
    }
    ASSERT_EQ(toolDir, "/usr/bin");
    const std::string gfix = toolDir + std::string(kGfixPathSuffix);
    const std::string gbak = toolDir + std::string(kGbakPathSuffix);
    ASSERT_TRUE(FileExists(gfix));
    ASSERT_TRUE(FileExists(gbak));

    const auto database = scratch.Path() / "Veri Tabanı" / "Müşteri Kayıtları.fdb";
    const auto backup = scratch.Path() / "Veri Tabanı" / "BACKUP.GBK";
    std::filesystem::create_directories(database.parent_path());
    const auto script = scratch.WriteFile(
        "create.sql", "create database '" + database.string() +
                          "';\ncreate table t (a int);\ninsert into t values (1);\ncommit;\n");
    ASSERT_EQ(ExecuteAndWait("isql-fb -q -user SYSDBA -i " + Quoted(script), SW_HIDE), 0);
    ASSERT_TRUE(FileExists(database.string()));

    const std::string credentials = " -USER SYSDBA -PASSWORD masterkey ";
    EXPECT_EQ(ExecuteAndWait(gfix + " -V -FULL" + credentials + Quoted(database), SW_HIDE), 0);
    EXPECT_EQ(ExecuteAndWait(gbak + " -B" + credentials + Quoted(database) + " " + Quoted(backup),
                             SW_HIDE),
              0);
    EXPECT_TRUE(FileExists(backup.string()));
    EXPECT_EQ(
        ExecuteAndWait(gbak + " -REP -O" + credentials + Quoted(backup) + " " + Quoted(database),
                       SW_HIDE),
        0);
    EXPECT_EQ(ExecuteAndWait(gfix + " -V -FULL" + credentials + Quoted(database), SW_HIDE), 0);
    EXPECT_NE(ExecuteAndWait(gfix + " -V -FULL" + credentials + Quoted(backup), SW_HIDE), 0)
        << "a tool's failure comes back as its exit status";
}

} // namespace
} // namespace onarim
