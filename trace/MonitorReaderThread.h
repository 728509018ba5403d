#pragma once

#include <atomic>
#include <chrono>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "trace/MonitorSharedObjects.h"
#include "trace/MonitorWindow.h"
#include "trace/TraceObject.h"

namespace onarim {

// The reader of this process's monitors: a thread that takes part in every chunk's barrier as
// one registered monitor and posts each received chunk (MonitorMessage::Trace, with a copy of
// the chunk as a TTraceObject) to the window of every monitor of this process on its list.
// Empty chunks and the single blank of kind tfMisc that ends a reader's wait are not posted.
class TReaderThread {
public:
    // How often a blocked wait looks whether the thread is to end.
    static constexpr std::chrono::milliseconds kStopPoll{100};
    // How long, once asked to end, the thread still waits for the chunk that releases it (the
    // blank queued for the purpose) before it leaves the barrier on its own.
    static constexpr std::chrono::milliseconds kLeaveGrace{1000};

    // Counts one more registered monitor in the shared block and starts the thread. Raises
    // std::system_error when no thread can be started (the count is then restored).
    TReaderThread(TMonitorSharedObjects& shared, const std::atomic<bool>& shutdown);
    // Stops the thread as RequestStop and Join do.
    ~TReaderThread();
    TReaderThread(const TReaderThread&) = delete;
    TReaderThread& operator=(const TReaderThread&) = delete;

    // Adds a window to the list unless it is there already; an empty pointer is ignored.
    void AddMonitor(const std::shared_ptr<TMonitorWindow>& window);
    void RemoveMonitor(const std::shared_ptr<TMonitorWindow>& window);
    bool HasMonitors() const;

    // Asks the thread to end after the current read.
    void RequestStop();
    // Waits until the thread has ended. On leaving, it counts its monitor out of the shared
    // block and releases a barrier that now waits only for it.
    void Join();

private:
    void Run();
    bool BeginRead();
    void EndRead();
    void Leave();
    bool WaitFor(TNamedEvent& event);
    bool Ending() const;
    void Deliver(const TTraceObject& chunk);

    TMonitorSharedObjects& shared_;
    const std::atomic<bool>& shutdown_;
    std::atomic<bool> stop_{false};
    mutable std::mutex monitorsLock_;
    std::vector<std::weak_ptr<TMonitorWindow>> monitors_;
    TTraceObject received_;
    std::thread thread_;
};

} // namespace onarim
