#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "platform/ProcessRunner.h"
#include "platform/SystemError.h"
#include "support/ScratchDirectory.h"

namespace onarim {
namespace {

int Shell(const std::string& script, ChildOutput output = ChildOutput::Discarded) {
    return SpawnAndWait({"sh", "-c", script}, output);
}

TEST(ProcessRunnerTest, ReturnsTheExitStatus) {
    struct Case {
        const char* script;
        int status;
    } cases[] = {
        {"exit 0", 0},
        {"exit 7", 7},
        {"exit 127", 127}, // a program's own 127 is not taken for a failed start
        {"exit 255", 255},
        {"kill -KILL $$", kSignalExitBase + 9},
        {"kill -TERM $$", kSignalExitBase + 15},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Shell(c.script), c.status) << c.script;
    }
}

TEST(ProcessRunnerTest, AProgramThatCannotStartGivesMinusOne) {
    testing::ScratchDirectory scratch;
    const auto notExecutable = scratch.WriteFile("plain.sh", "#!/bin/sh\nexit 0\n");
    struct Case {
        std::vector<std::string> argv;
        int error;
    } cases[] = {
        {{}, ENOENT},
        {{""}, ENOENT},
        {{"/nonexistent/gfix", "-V"}, ENOENT},
        {{"onarim-no-such-program-on-path"}, ENOENT},
        {{notExecutable.string()}, EACCES},
        {{scratch.Path().string()}, EACCES},
    };
    for (const auto& c : cases) {
        SetLastSystemError(0);
        EXPECT_EQ(SpawnAndWait(c.argv, ChildOutput::Inherited), -1);
        EXPECT_EQ(LastSystemError().code, c.error);
    }
}

TEST(ProcessRunnerTest, TheChildInheritsOnlyTheStandardDescriptors) {
    const int fd = open("/dev/null", O_RDONLY); // deliberately without O_CLOEXEC
    ASSERT_GE(fd, 0);
    const std::string probe = "test -e /proc/self/fd/" + std::to_string(fd);
    EXPECT_EQ(Shell(probe + " && exit 3; exit 0"), 0);
    close(fd);
    EXPECT_EQ(Shell("test -e /proc/self/fd/2"), 0);
}

TEST(ProcessRunnerTest, ADiscardedChildReadsEndOfInput) {
    // `read` fails at once on /dev/null; with a terminal as input it would wait.
    EXPECT_EQ(Shell("read line"), 1);
}

TEST(ProcessRunnerTest, TheChildStartsWithDefaultSignalHandling) {
    signal(SIGTERM, SIG_IGN);
    EXPECT_EQ(Shell("kill -TERM $$; exit 0"), kSignalExitBase + SIGTERM);
    signal(SIGTERM, SIG_DFL);
}

} // namespace
} // namespace onarim
