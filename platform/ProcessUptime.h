#pragma once

#include <chrono>
#include <optional>

namespace onarim {

// How long ago the running process was started by the system (before the loader ran, so the
// loading of shared libraries is included), to within the kernel's clock tick (10 ms on most
// systems). Empty when it cannot be read.
std::optional<std::chrono::milliseconds> ProcessUptime();

} // namespace onarim
