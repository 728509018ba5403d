// Running a program with its output read line by line while it runs.
#include <cerrno>
#include <cstdlib>
#include <stdexcept>

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>

#include "platform/ProcessRunner.h"
#include "platform/SystemError.h"

namespace onarim {
namespace {

struct Captured {
    int status = 0;
    std::vector<std::string> lines;
};

Captured Capture(const std::string& script, const EnvironmentChanges& environment = {}) {
    Captured result;
    result.status = SpawnAndCapture({"sh", "-c", script}, environment,
                                    [&](const std::string& line) { result.lines.push_back(line); });
    return result;
}

using Lines = std::vector<std::string>;

TEST(ProcessCaptureTest, HandsOverEveryLineAndTheExitStatus) {
    const std::string longLine(200000, 'x');
    struct Case {
        const char* name;
        std::string script;
        Lines lines;
        int status;
    } cases[] = {
        {"nothing", "exit 0", {}, 0},
        {"lines", "printf 'a\\nb\\n'", {"a", "b"}, 0},
        {"crlf", "printf 'a\\r\\nb\\r\\n'", {"a", "b"}, 0},
        {"lone cr stays", "printf 'a\\rb\\n'", {"a\rb"}, 0},
        {"empty lines", "printf '\\n\\nz\\n'", {"", "", "z"}, 0},
        {"last line without end", "printf 'a\\nrest'", {"a", "rest"}, 0},
        {"stderr merged in order", "echo out; echo err >&2; echo out2", {"out", "err", "out2"}, 0},
        {"bytes as they are", "printf 'Kay\\304\\261t \\377\\n'", {"Kayıt \xff"}, 0},
        {"long line", "head -c 200000 /dev/zero | tr '\\0' x; echo", {longLine}, 0},
        {"exit status", "echo bye; exit 3", {"bye"}, 3},
        {"signal", "echo before; kill -KILL $$", {"before"}, kSignalExitBase + 9},
        {"stdin is empty", "read line || echo eof", {"eof"}, 0},
    };
    for (const auto& c : cases) {
        const Captured captured = Capture(c.script);
        EXPECT_EQ(captured.lines, c.lines) << c.name;
        EXPECT_EQ(captured.status, c.status) << c.name;
    }
}

TEST(ProcessCaptureTest, LinesArriveWhileTheProgramRuns) {
    // The program waits until the line it printed has been seen: a runner that only read after
    // the end would hang here, so the test bounds the wait itself.
    const std::string script = "echo first; i=0; while [ ! -e \"$FLAG\" ] && [ $i -lt 100 ]; "
                               "do sleep 0.05; i=$((i+1)); done; [ -e \"$FLAG\" ]";
    char pattern[] = "/tmp/onarim-flag-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    const std::string flag = std::string(pattern) + "/seen";
    const int status =
        SpawnAndCapture({"sh", "-c", script}, {{"FLAG", flag}}, [&](const std::string& line) {
            if (line == "first") {
                std::fclose(std::fopen(flag.c_str(), "w"));
            }
        });
    std::remove(flag.c_str());
    rmdir(pattern);
    EXPECT_EQ(status, 0);
}

TEST(ProcessCaptureTest, TheChildAloneSeesTheChangedEnvironment) {
    setenv("ONARIM_INHERITED", "kept", 1);
    setenv("ISC_PASSWORD", "old", 1);
    struct Case {
        EnvironmentChanges changes;
        Lines lines;
    } cases[] = {
        {{}, {"old kept"}},
        {{{"ISC_PASSWORD", "gizli şifre"}}, {"gizli şifre kept"}},
        {{{"ISC_PASSWORD", "a"}, {"ISC_PASSWORD", "b=c"}}, {"b=c kept"}},
        {{{"ISC_PASSWORD", ""}}, {" kept"}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Capture("echo \"$ISC_PASSWORD $ONARIM_INHERITED\"", c.changes).lines, c.lines);
        EXPECT_STREQ(std::getenv("ISC_PASSWORD"), "old");
    }
    EXPECT_EQ(Capture("env | grep -c '^ISC_PASSWORD='", {{"ISC_PASSWORD", "x"}}).lines, Lines{"1"});
    unsetenv("ONARIM_INHERITED");
    unsetenv("ISC_PASSWORD");
}

TEST(ProcessCaptureTest, WhatCannotStartGivesMinusOne) {
    struct Case {
        std::vector<std::string> argv;
        EnvironmentChanges environment;
        int error;
    } cases[] = {
        {{}, {}, ENOENT},
        {{"onarim-no-such-program-on-path"}, {}, ENOENT},
        {{"/nonexistent/gbak", "-B"}, {}, ENOENT},
        {{"sh", "-c", std::string("echo a\0b", 8)}, {}, EINVAL},
        {{"true"}, {{"", "x"}}, EINVAL},
        {{"true"}, {{"A=B", "x"}}, EINVAL},
        {{"true"}, {{"ISC_PASSWORD", std::string("pa\0ss", 5)}}, EINVAL},
    };
    for (const auto& c : cases) {
        bool called = false;
        SetLastSystemError(0);
        EXPECT_EQ(
            SpawnAndCapture(c.argv, c.environment, [&](const std::string&) { called = true; }), -1);
        EXPECT_EQ(LastSystemError().code, c.error);
        EXPECT_FALSE(called);
    }
}

TEST(ProcessCaptureTest, AFailingHandlerLetsTheProgramFinishThenRaises) {
    char pattern[] = "/tmp/onarim-done-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    const std::string done = std::string(pattern) + "/done";
    int calls = 0;
    EXPECT_THROW(SpawnAndCapture({"sh", "-c", "echo 1; echo 2; echo 3; touch \"$DONE\""},
                                 {{"DONE", done}},
                                 [&](const std::string&) {
                                     ++calls;
                                     throw std::runtime_error("handler failed");
                                 }),
                 std::runtime_error);
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(std::remove(done.c_str()), 0) << "the program was cut off";
    rmdir(pattern);
}

// The watch kills a program that stays still, and only such a one: working without a word,
// or speaking now and then, is progress.
TEST(ProcessCaptureTest, TheWatchEndsOnlyAProgramThatStaysStill) {
    struct Case {
        const char* label;
        std::vector<std::string> argv;
        bool stalled;
        int status;
    } cases[] = {
        {"sleeps", {"sleep", "30"}, true, 128 + SIGKILL},
        {"works without a word", {"timeout", "3", "sh", "-c", "while :; do :; done"}, false, 124},
        {"speaks now and then", {"sh", "-c", "for i in 1 2 3; do sleep 1; echo $i; done"}, false, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        const auto start = std::chrono::steady_clock::now();
        const WatchedRun run =
            SpawnAndCaptureWatched(c.argv, {}, [](const std::string&) {}, std::chrono::milliseconds(1500));
        EXPECT_EQ(run.stalled, c.stalled);
        EXPECT_EQ(run.status, c.status);
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
    }
}

// Two programs joined by a pipe: the data goes from one to the other, never to a handler;
// each one's messages reach its own handler, and either one ending first ends the other.
TEST(ProcessCaptureTest, PipedProgramsStreamFromOneToTheOther) {
    struct Case {
        const char* name;
        std::vector<std::string> second;
        const char* first;
        Lines firstLines, secondLines;
        int firstStatus, secondStatus;
    } cases[] = {
        {"data apart from messages",
         {"sh", "-c", "wc -l; echo done >&2"},
         "echo working >&2; printf 'a\\nb\\n'",
         {"working"},
         {"2", "done"},
         0,
         0},
        {"a large stream", {"wc", "-c"}, "head -c 20000000 /dev/zero", {}, {"20000000"}, 0, 0},
        {"the first fails: the second reads an end",
         {"sh", "-c", "cat >/dev/null; echo eof"},
         "echo bad >&2; exit 1",
         {"bad"},
         {"eof"},
         1,
         0},
        {"the second ends first: the first's pipe breaks",
         {"sh", "-c", "exit 2"},
         "yes",
         {},
         {},
         kSignalExitBase + SIGPIPE,
         2},
        {"the second cannot start",
         {"/nonexistent/program"},
         "yes",
         {},
         {},
         kSignalExitBase + SIGPIPE,
         -1},
        {"the first's messages end before its data",
         {"cat"},
         "exec 2>&-; head -c 10000000 /dev/zero",
         {},
         {std::string(10000000, '\0')},
         0,
         0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Lines first, second;
        std::vector<int> ended;
        const PipedRun run = SpawnPipedAndCapture(
            {"sh", "-c", c.first}, c.second, {},
            [&](const std::string& line) { first.push_back(line); },
            [&](int status) { ended.push_back(status); },
            [&](const std::string& line) { second.push_back(line); });
        EXPECT_EQ(first, c.firstLines);
        EXPECT_EQ(second, c.secondLines);
        EXPECT_EQ(run.first, c.firstStatus);
        EXPECT_EQ(run.second, c.secondStatus);
        EXPECT_EQ(ended, std::vector<int>{run.first});
    }
}

// The first's end is told while the second still works on what it got.
TEST(ProcessCaptureTest, ThePipedFirstsEndIsToldBeforeTheSecondEnds) {
    std::vector<std::string> events;
    SpawnPipedAndCapture(
        {"sh", "-c", "echo data"}, {"sh", "-c", "read line; sleep 0.5; echo \"$line\""}, {},
        [&](const std::string& line) { events.push_back("first " + line); },
        [&](int status) { events.push_back("ended " + std::to_string(status)); },
        [&](const std::string& line) { events.push_back("second " + line); });
    EXPECT_EQ(events, (std::vector<std::string>{"ended 0", "second data"}));
}

} // namespace
} // namespace onarim
