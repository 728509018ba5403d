#pragma once

#include <string>
#include <vector>

namespace onarim {

// Where a started program's standard streams go.
enum class ChildOutput {
    // Standard input, output and error are this process's own.
    Inherited,
    // Standard output and error go to /dev/null and standard input comes from it: the program
    // runs unseen and cannot wait for input nobody can give.
    Discarded,
};

// Exit status reported for a program that a signal ended: 128 plus the signal's number, as
// shells report it (137 for SIGKILL).
inline constexpr int kSignalExitBase = 128;

// Starts the program argv[0] with the arguments argv[1..] and waits, without time limit, for
// it to end. A program name without a slash is looked up on PATH, like execvp; one with a
// slash is used as it is. The program inherits this process's environment and current
// directory, and no file descriptors beyond the standard three (like a process created without
// handle inheritance); it starts with an empty signal mask and default signal dispositions.
//
// Returns the program's exit status (0 to 255), kSignalExitBase plus the signal number when a
// signal ended it, or -1 when it could not be started: no argv, a missing or non-executable
// program, an argument list beyond the system's limit. On -1 the cause is recorded as the last
// system error.
int SpawnAndWait(const std::vector<std::string>& argv, ChildOutput output);

} // namespace onarim
