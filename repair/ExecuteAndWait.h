#pragma once

#include <cstdint>
#include <string_view>

namespace onarim {

// Show states for a started program's window. Without windows, the hidden state sends the
// program's output to nowhere; every other state lets it write where this process writes.
inline constexpr std::uint16_t SW_HIDE = 0;
inline constexpr std::uint16_t SW_SHOWNORMAL = 1;

// Runs `commandLine` (program and arguments, split as ResolveCommandLine describes) and waits,
// without time limit, until the program has ended. `showState` SW_HIDE runs it unseen: its
// standard output and error go to /dev/null and its input comes from there. The command line is
// passed whole, however long.
//
// Returns the program's exit status (128 plus the signal number when a signal ended it), or -1
// when it could not be started: an empty command line, a missing or non-executable program.
// Nothing is raised.
int ExecuteAndWait(std::string_view commandLine, std::uint16_t showState);

} // namespace onarim
