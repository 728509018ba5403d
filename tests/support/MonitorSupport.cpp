#include "support/MonitorSupport.h"

#include "trace/MonitorSharedObjects.h"
#include "platform/ApplicationTitle.h"

namespace onarim::testing {

std::vector<std::string> MonitorObjectNames() {
    return {std::begin(MonitorObjectName::All), std::end(MonitorObjectName::All)};
}

bool AnyMonitorObjectExists() {
    for (std::string_view name : MonitorObjectName::All) {
        if (SharedObjectExists(name)) {
            return true;
        }
    }
    return false;
}

std::string FramePrefix() {
    return "\r\n[Application: " + ApplicationTitle() + "]\r\n";
}

std::string TextFramedTo(std::size_t framedLength, char fill) {
    return std::string(framedLength - FramePrefix().size(), fill);
}

std::optional<TTraceObject> NextTrace(TIBSQLMonitor& monitor, std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (std::chrono::steady_clock::now() < deadline) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        std::optional<TMonitorMessage> message = monitor.WaitMessage(left);
        if (message && message->message == MonitorMessage::Trace) {
            return *message->trace;
        }
    }
    return std::nullopt;
}

} // namespace onarim::testing
