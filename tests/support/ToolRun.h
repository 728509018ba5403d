#pragma once

#include <string>
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

} // namespace onarim::testing
