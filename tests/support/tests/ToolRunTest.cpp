#include "support/ToolRun.h"

#include <gtest/gtest.h>

#include "support/FixtureError.h"
#include "support/ScratchDirectory.h"

namespace onarim::testing {
namespace {

TEST(ToolRunTest, CapturesExitCodeAndBothOutputStreams) {
    const ToolResult result =
        RunTool({"sh", "-c", "echo to-out; echo to-err >&2; read line || echo no-input; exit 3"});
    EXPECT_TRUE(result.Exited());
    EXPECT_FALSE(result.Succeeded());
    EXPECT_EQ(result.exitCode, 3);
    EXPECT_EQ(result.output, "to-out\nto-err\nno-input\n");
}

TEST(ToolRunTest, ReportsTheSignalThatEndedTheTool) {
    const ToolResult result = RunTool({"sh", "-c", "kill -SEGV $$"});
    EXPECT_FALSE(result.Exited());
    EXPECT_EQ(result.signal, 11);
    EXPECT_EQ(result.exitCode, -1);
}

TEST(ToolRunTest, PassesArgumentsWithBlanksQuotesAndLettersUnsplit) {
    ScratchDirectory directory(ScratchDirectory::Kind::WithBlanksAndTurkishLetters);
    const std::string argument = directory.File("a \"b\" 'c' $HOME *.gbk");
    const ToolResult result = RunTool({"printf", "[%s]", argument});
    EXPECT_TRUE(result.Succeeded());
    EXPECT_EQ(result.output, "[" + argument + "]");
}

TEST(ToolRunTest, KeepsOutputLargerThanAPipeBuffer) {
    const ToolResult result = RunTool({"head", "-c", "300000", "/dev/zero"});
    EXPECT_TRUE(result.Succeeded());
    EXPECT_EQ(result.output.size(), 300000u);
}

TEST(ToolRunTest, RaisesForAProgramThatCannotStart) {
    EXPECT_THROW(RunTool({"onarim-no-such-program"}), FixtureError);
    EXPECT_THROW(RunTool({}), FixtureError);
}

} // namespace
} // namespace onarim::testing
