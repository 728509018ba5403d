#pragma once

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>

#include "trace/TraceObject.h"

namespace onarim {

// Messages the trace hook posts to a monitor of this process.
namespace MonitorMessage {
// A received trace message; carries the TTraceObject, which the receiver then owns.
inline constexpr std::uint32_t Trace = 1025;
// A release request queued through IIBSQLMonitorHook::QueueMonitorRelease; carries nothing.
inline constexpr std::uint32_t Release = 45089;
} // namespace MonitorMessage

struct TMonitorMessage {
    std::uint32_t message = 0;
    std::unique_ptr<TTraceObject> trace; // set for MonitorMessage::Trace
};

// Where a monitor receives its messages, in the manner of a window's message queue: any thread
// may post, the owner takes them off in order on its own thread. Posting never blocks; when the
// queue already holds kCapacity messages the new one is dropped (and destroyed), as a full
// window queue refuses a post.
class TMonitorWindow {
public:
    static constexpr std::size_t kCapacity = 10000;

    // Appends a message; false when the queue was full and it was dropped.
    bool PostMessage(std::uint32_t message, std::unique_ptr<TTraceObject> trace = nullptr);

    // Takes the oldest message, waiting up to `timeout` for one; empty when none came.
    std::optional<TMonitorMessage> WaitMessage(std::chrono::milliseconds timeout);

    std::size_t Pending() const;

private:
    mutable std::mutex lock_;
    std::condition_variable posted_;
    std::deque<TMonitorMessage> queue_;
};

// A trace monitor of this process, as the trace hook sees it: something with a window. The hook
// keeps only weak references to windows, so a monitor destroyed while still registered is
// simply no longer posted to.
class IIBMonitor {
public:
    virtual ~IIBMonitor() = default;
    virtual std::shared_ptr<TMonitorWindow> Window() const = 0;
};

} // namespace onarim
