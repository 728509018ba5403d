// The engine's work in a process of its own: what the repair makes of an engine that hangs,
// crashes or fails.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>

#include "client/IBErrors.h"
#include "repair/EngineTask.h"
#include "repair/ResultsJson.h"
#include "support/ScratchDirectory.h"

namespace onarim {
namespace {

using namespace std::chrono_literals;

TEST(EngineTaskTest, AnEngineThatHangsCrashesOrFailsCostsTheStepWithAReason) {
    testing::ScratchDirectory scratch;
    setenv("ONARIM_ENGINE_STILLNESS", "1", 1);
    struct Case {
        const char* label;
        const char* script;
        const char* reason; // what the raised error's text holds
    } cases[] = {
        {"hangs", "exec sleep 60", "1 saniye boyunca hiç ilerlemedi"},
        {"crashes", "echo PROGRESS ITEMS; kill -SEGV $$", "çöktü (sinyal 11)"},
        {"ends without a result", "echo something else; exit 0", "sonuç vermeden bitti"},
        {"an error of the engine",
         "echo 'STATUS -902 335544344 335544344'; echo 'I/O error during \"open\"'; exit 1",
         "I/O error during \"open\""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        const std::string program =
            scratch.WriteFile("engine", std::string("#!/bin/sh\n") + c.script + "\n");
        std::filesystem::permissions(program, std::filesystem::perms::owner_all);
        const auto start = std::chrono::steady_clock::now();
        try {
            CensusInChild(program, "/nowhere.fdb", {"SYSDBA", "x"});
            ADD_FAILURE() << "no error raised";
        } catch (const Exception& error) {
            EXPECT_NE(std::string(error.what()).find(c.reason), std::string::npos) << error.what();
        }
        EXPECT_LT(std::chrono::steady_clock::now() - start, 15s);
    }
    unsetenv("ONARIM_ENGINE_STILLNESS");
}

// What the engine's process found reaches the repair whole: every count the report and the
// message tell.
TEST(EngineTaskTest, ResultsCrossIntoTheRepairWhole) {
    testing::ScratchDirectory scratch;
    TTableRecovery table{.table = "ITEMS",
                         .rowsPutBack = 104,
                         .blobsPutBack = 103,
                         .noUniqueKey = true,
                         .arrayValuesLeft = 4,
                         .rawRows = 100,
                         .rawBlobs = 99,
                         .problems = {"ITEMS (page 230 line 3): cut short"}};
    const std::map<std::string, std::int64_t> violations{{"ITEMS.POSITIVE", 3}};
    const std::vector<std::string> constraintProblems{"ITEMS.C: not made again"};
    const auto engine = [&](const nlohmann::json& result) {
        std::string quoted = result.dump();
        for (std::size_t at = 0; (at = quoted.find('\'', at)) != std::string::npos; at += 4) {
            quoted.replace(at, 1, "'\\''");
        }
        const std::string program =
            scratch.WriteFile("engine", "#!/bin/sh\necho 'RESULT " + quoted + "'\n");
        std::filesystem::permissions(program, std::filesystem::perms::owner_all);
        return program;
    };

    const TRecoveryResult putBack = PutBackInChild(
        engine(TRecoveryResult{{table}, violations, constraintProblems}),
        {"/kept.fdb", "/copy.fdb"}, {"/repaired.fdb", true, {"ITEMS"}}, {"SYSDBA", "x"}, {});
    ASSERT_EQ(putBack.tables.size(), 1u);
    const TTableRecovery& got = putBack.tables.front();
    EXPECT_EQ(std::tie(got.table, got.rowsPutBack, got.blobsPutBack, got.noUniqueKey,
                       got.arrayValuesLeft, got.rawRows, got.rawBlobs, got.problems),
              std::tie(table.table, table.rowsPutBack, table.blobsPutBack, table.noUniqueKey,
                       table.arrayValuesLeft, table.rawRows, table.rawBlobs, table.problems));
    EXPECT_EQ(putBack.constraintViolations, violations);
    EXPECT_EQ(putBack.constraintProblems, constraintProblems);

    TSalvageResult salvage;
    salvage.tables = {table};
    salvage.inactiveIndexes = {"IX: duplicate"};
    salvage.constraintViolations = violations;
    salvage.constraintProblems = constraintProblems;
    const TSalvageResult salvaged =
        SalvageInChild(engine(salvage), {"/kept.fdb", "/copy.fdb"}, "/new.fdb", {"SYSDBA", "x"},
                       "/usr/bin/gbak", {});
    EXPECT_EQ(salvaged.inactiveIndexes, salvage.inactiveIndexes);
    EXPECT_EQ(salvaged.constraintViolations, violations);
    EXPECT_EQ(salvaged.constraintProblems, constraintProblems);
    EXPECT_EQ(salvaged.tables.front().arrayValuesLeft, 4);
}

} // namespace
} // namespace onarim
