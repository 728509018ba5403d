// The engine's work in a process of its own: what the repair makes of an engine that hangs,
// crashes or fails.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>

#include "repair/EngineTask.h"
#include "client/IBErrors.h"
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
        const std::string program = scratch.WriteFile("engine", std::string("#!/bin/sh\n") + c.script + "\n");
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

} // namespace
} // namespace onarim
