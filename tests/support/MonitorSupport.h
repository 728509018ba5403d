#pragma once

#include <chrono>
#include <optional>
#include <string>
#include <vector>

#include "trace/IBSQLMonitor.h"

namespace onarim::testing {

// The trace monitor's six object names, for TScopedSharedNames.
std::vector<std::string> MonitorObjectNames();

// True when any of the six objects exists.
bool AnyMonitorObjectExists();

// What the hook of this process puts before every text it posts.
std::string FramePrefix();

// A text of `fill` characters that this process's hook frames to exactly `framedLength` bytes.
std::string TextFramedTo(std::size_t framedLength, char fill);

// The next trace message that reaches `monitor` within `timeout` (release requests skipped).
std::optional<TTraceObject> NextTrace(TIBSQLMonitor& monitor, std::chrono::milliseconds timeout);

} // namespace onarim::testing
