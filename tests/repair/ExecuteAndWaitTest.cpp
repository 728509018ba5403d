#include <cstdio>
#include <fcntl.h>
#include <fstream>
#include <sstream>
#include <unistd.h>

#include <gtest/gtest.h>

#include "repair/ExecuteAndWait.h"
#include "support/ScratchDirectory.h"

namespace onarim {
namespace {

namespace fs = std::filesystem;

// A script that writes its arguments, one a line, to the file named by its first argument,
// and exits with the status named by its second.
constexpr const char* kRecorder = "#!/bin/sh\n"
                                  "out=$1; status=$2; shift 2\n"
                                  "printf '%s\\n' \"$@\" > \"$out\"\n"
                                  "exit \"$status\"\n";

std::string ReadFile(const fs::path& path) {
    std::ifstream stream(path, std::ios::binary);
    std::ostringstream content;
    content << stream.rdbuf();
    return content.str();
}

// Quoted for the command line (the texts used here hold no quotes or backslashes).
std::string Quoted(const std::string& text) {
    return "\"" + text + "\"";
}

class ExecuteAndWaitTest : public ::testing::Test {
protected:
    void SetUp() override {
        recorder_ = scratch_.WriteFile("Veri Tabanı/ş a.sh", kRecorder);
        fs::permissions(recorder_, fs::perms::owner_all);
        output_ = scratch_.Path() / "Çıktı dosyası.txt";
    }

    testing::ScratchDirectory scratch_;
    fs::path recorder_;
    fs::path output_;
};

TEST_F(ExecuteAndWaitTest, QuotedPathsWithBlanksAndTurkishLettersArriveIntact) {
    const std::string line = Quoted(recorder_.string()) + " " + Quoted(output_.string()) +
                             " 5 -PASSWORD şifre " + Quoted("/veri/Veri Tabanı.fdb") +
                             " \"/veri/BACKUP.GBK\"";
    EXPECT_EQ(ExecuteAndWait(line, SW_HIDE), 5);
    EXPECT_EQ(ReadFile(output_), "-PASSWORD\nşifre\n/veri/Veri Tabanı.fdb\n/veri/BACKUP.GBK\n");
}

TEST_F(ExecuteAndWaitTest, AnUnquotedProgramPathWithBlanksIsFound) {
    // As the repair builds its tool command lines: the tool directory stands unquoted.
    const std::string line = recorder_.string() + " " + Quoted(output_.string()) + " 0 -V -FULL";
    EXPECT_EQ(ExecuteAndWait(line, SW_HIDE), 0);
    EXPECT_EQ(ReadFile(output_), "-V\n-FULL\n");
}

TEST_F(ExecuteAndWaitTest, AVeryLongCommandLineArrivesWhole) {
    std::string expected;
    std::string line = Quoted(recorder_.string()) + " " + Quoted(output_.string()) + " 0";
    for (int i = 0; i < 1000; ++i) {
        const std::string argument = "arg" + std::to_string(100000 + i);
        line += " " + argument;
        expected += argument + "\n";
    }
    const std::string longPath = "/veri/" + std::string(4000, 'x') + " y/BACKUP.GBK";
    line += " " + Quoted(longPath);
    expected += longPath + "\n";
    ASSERT_GT(line.size(), 14000u);

    EXPECT_EQ(ExecuteAndWait(line, SW_HIDE), 0);
    EXPECT_EQ(ReadFile(output_), expected);
}

TEST_F(ExecuteAndWaitTest, AProgramThatCannotStartGivesMinusOne) {
    for (const std::string& line :
         {std::string(), std::string("   "), std::string("/nonexistent/bin/gfix -V -FULL a.fdb"),
          std::string("bin/gfix -V"), std::string("\"/nonexistent/Veri Tabanı/gbak\" -B"),
          std::string("onarim-no-such-tool -B"), Quoted(scratch_.Path().string())}) {
        EXPECT_EQ(ExecuteAndWait(line, SW_HIDE), -1) << line;
    }
}

// Everything written to this process's standard output and error while `run` runs.
template <typename Run> std::string CapturedOutput(const fs::path& file, Run run) {
    std::fflush(nullptr);
    const int saved[2] = {dup(STDOUT_FILENO), dup(STDERR_FILENO)};
    const int capture = open(file.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    dup2(capture, STDOUT_FILENO);
    dup2(capture, STDERR_FILENO);
    close(capture);
    run();
    std::fflush(nullptr);
    dup2(saved[0], STDOUT_FILENO);
    dup2(saved[1], STDERR_FILENO);
    close(saved[0]);
    close(saved[1]);
    return ReadFile(file);
}

TEST_F(ExecuteAndWaitTest, HiddenOutputStaysHiddenAndShownOutputIsInherited) {
    const fs::path capture = scratch_.Path() / "captured.txt";
    const std::string line = "sh -c \"echo to-stdout; echo to-stderr >&2; exit 4\"";
    int status = 0;

    EXPECT_EQ(CapturedOutput(capture, [&] { status = ExecuteAndWait(line, SW_HIDE); }), "");
    EXPECT_EQ(status, 4);

    EXPECT_EQ(CapturedOutput(capture, [&] { status = ExecuteAndWait(line, SW_SHOWNORMAL); }),
              "to-stdout\nto-stderr\n");
    EXPECT_EQ(status, 4);
}

} // namespace
} // namespace onarim
