#pragma once

#include <cstdint>
#include <string>

namespace onarim {

// A process as another process can recognise it later: its id and the time the system started
// it (in clock ticks since boot), which tells it from a later process that got the same id.
struct ProcessIdentity {
    long pid = 0;
    std::uint64_t startTicks = 0;
};

// This process.
ProcessIdentity ThisProcess();

// Whether that very process still runs (a zombie does not).
bool IsRunning(const ProcessIdentity& process);

} // namespace onarim
