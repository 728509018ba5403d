#pragma once

#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace onarim::testing {

// How a command-line tool ended and what it printed.
struct ToolResult {
    std::string command; // the arguments joined by blanks, for messages only
    int exitCode = -1;   // the exit status; -1 when the tool was ended by a signal
    int signal = 0;      // the signal that ended it, 0 when it exited
    std::string output;  // standard output and standard error, interleaved as written

    bool Exited() const { return signal == 0; }
    bool Succeeded() const { return signal == 0 && exitCode == 0; }
    // One line for a test's failure message: the command, how it ended, its output.
    std::string Describe() const;
};

// Runs `arguments` (the program, found on PATH, then its arguments; no shell, so nothing is
// split or expanded) with standard input from /dev/null and waits for it to end. Raises
// FixtureError when the program cannot be started.
ToolResult RunTool(const std::vector<std::string>& arguments);

// A program run as an operator would run it: with a given standard input and environment, its
// standard output and error kept apart.
struct ProgramRun {
    std::vector<std::string> arguments; // the program (a path, or found on PATH) and its arguments
    std::string input;                  // standard input, read from a file
    // Environment variables to set (a value) or remove (no value) on top of this process's.
    using Environment = std::vector<std::pair<std::string, std::optional<std::string>>>;
    Environment environment;
};

struct ProgramResult {
    int exitCode = -1; // -1 when ended by a signal
    int signal = 0;
    std::string output; // standard output
    std::string errors; // standard error
    std::string Describe() const;
};

// Runs the program and waits for it. Raises FixtureError when it cannot be started.
ProgramResult RunProgram(const ProgramRun& run);

} // namespace onarim::testing
