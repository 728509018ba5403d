#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <variant>

#include "trace/MonitorSharedObjects.h"
#include "trace/MonitorWindow.h"
#include "trace/TraceObject.h"

namespace onarim {

// A queued request to post MonitorMessage::Release to a monitor of this process.
struct TReleaseObject {
    std::weak_ptr<TMonitorWindow> window;
};

// The trace hook's writer: a thread that takes queued messages in order and publishes each to
// every registered monitor of every process through the shared block, one chunk of at most
// 1000 bytes per barrier round, holding the write lock for the whole message so that messages
// of different writers never interleave. The announcing thread only appends to the queue.
class TWriterThread {
public:
    // How long each wait of the barrier lasts before the writer assumes a dead monitor.
    static constexpr std::chrono::milliseconds kHandshakeTimeout{500};
    // How long the idle thread sleeps between looks at its queue.
    static constexpr std::chrono::milliseconds kIdlePoll{50};

    // Starts the thread. It ends once asked to stop (Stop, or `shutdown` set) and its queue is
    // empty. Raises std::system_error when no thread can be started.
    TWriterThread(TMonitorSharedObjects& shared, const std::atomic<bool>& shutdown);
    // Stops the thread as Stop does.
    ~TWriterThread();
    TWriterThread(const TWriterThread&) = delete;
    TWriterThread& operator=(const TWriterThread&) = delete;

    // Appends `text` with `kind`, stamped now; dropped at once when no monitor is registered.
    void Queue(std::string text, TTraceFlag kind);
    // Appends a release request for `window`; it is posted in its turn, monitors or not.
    void QueueRelease(std::weak_ptr<TMonitorWindow> window);

    // Asks the thread to end and waits until it has: what is queued is still published (or
    // dropped, when no monitor is left).
    void Stop();

private:
    using Entry = std::variant<TTraceObject, TReleaseObject>;

    void Run();
    // The next entry, or nothing after an idle wait; `finished` when the thread is to end.
    std::optional<Entry> Take(bool& finished);
    void Publish(const TTraceObject& message);
    void EndOfWrite();
    bool Ending() const;

    TMonitorSharedObjects& shared_;
    const std::atomic<bool>& shutdown_;
    std::atomic<bool> stop_{false};
    std::mutex queueLock_;
    std::condition_variable queued_;
    std::deque<Entry> queue_;
    std::thread thread_;
};

} // namespace onarim
