#pragma once

#include <chrono>
#include <sys/types.h>

namespace onarim {

// The programs this process has started with SpawnAndCapture and that still run, each the
// leader of a process group of its own. A program told to stop gets SIGTERM in its whole
// group and, if it is still there after the grace, SIGKILL: a tool that writes a database is
// never left running on its own once this process has decided to end.
void RegisterRunningProgram(pid_t group);
void UnregisterRunningProgram(pid_t group);

// Stops every registered program as above and returns once each has been told (it does not
// wait for their end: their starter waits for them). Safe from any thread.
void StopRunningPrograms(std::chrono::milliseconds grace = std::chrono::seconds(5));

} // namespace onarim
