#pragma once

#include <chrono>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "platform/LineHandler.h"

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
// program, an argument list beyond the system's limit, an argument holding a zero byte (it
// would be cut short). On -1 the cause is recorded as the last
// system error.
int SpawnAndWait(const std::vector<std::string>& argv, ChildOutput output);

// Variables to set in a started program's environment, replacing any of the same name that
// this process has: (name, value) pairs, a later pair winning over an earlier one.
using EnvironmentChanges = std::vector<std::pair<std::string, std::string>>;


// Starts the program like SpawnAndWait (PATH lookup, no descriptors beyond the standard three,
// empty signal mask, this process's current directory), but in a process group of its own
// that dies with the calling thread (see spawn::StartInOwnGroup) and is registered with
// StopRunningPrograms while it runs; with this process's environment
// changed by `environment` for the child alone: this process's own environment is never
// touched, so a password given this way is in no program's arguments and stays out of this
// process's environment. Standard input comes from /dev/null; standard output and error go
// into one pipe, read here while the program runs.
//
// Every line is handed to `onLine` as soon as its line end has arrived: LF ends a line, a CR
// right before it is dropped, a last line without a line end is handed over too. Bytes are
// passed on as the program wrote them, and a line may be of any length.
//
// Returns when the program has ended and the pipe is drained (a descendant that keeps the
// output open holds the call), with the exit status as SpawnAndWait gives it, or -1 when the
// program could not be started, with the cause as the last system error: as for SpawnAndWait,
// and EINVAL for a variable name that is empty or holds '=' or for a text holding a zero byte.
//
// When `onLine` raises, it is given no more lines, but the program is still left to end on its
// own and its output is read to the end; then the handler's error is raised again here.
int SpawnAndCapture(const std::vector<std::string>& argv, const EnvironmentChanges& environment,
                    const LineHandler& onLine);

// How a watched program ended.
struct WatchedRun {
    int status = -1;      // as SpawnAndCapture returns it
    bool stalled = false; // the watch found it still and killed it
};

// SpawnAndCapture for a program that may hang (an engine stuck on a damaged file): when for
// `stillness` it neither printed a line, nor used processor time, nor read or wrote a byte, its
// process group is killed (SIGKILL) and the run ends as stalled. A program that works, however
// long, is never cut short.
WatchedRun SpawnAndCaptureWatched(const std::vector<std::string>& argv,
                                  const EnvironmentChanges& environment, const LineHandler& onLine,
                                  std::chrono::milliseconds stillness);

// How two programs joined by a pipe ended, each as SpawnAndCapture returns it.
struct PipedRun {
    int first = -1;
    int second = -1;
};

// Starts two programs as SpawnAndCapture does, each in a process group of its own, the first's
// standard output into the second's standard input: a stream that never touches the disk.
// The first's standard error goes line by line to `onFirstLine`, the second's standard output
// and error to `onSecondLine`; `onFirstEnded` gets the first's exit status as soon as it has
// ended, while the second may still be at work. Returns when both have ended and their
// output is drained. A second that cannot be started leaves the first without a reader: it
// ends on its first write. Handlers that raise are treated as SpawnAndCapture treats them.
PipedRun SpawnPipedAndCapture(const std::vector<std::string>& first,
                              const std::vector<std::string>& second,
                              const EnvironmentChanges& environment, const LineHandler& onFirstLine,
                              const std::function<void(int)>& onFirstEnded,
                              const LineHandler& onSecondLine);

} // namespace onarim
