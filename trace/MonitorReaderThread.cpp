#include "trace/MonitorReaderThread.h"

#include <algorithm>
#include <limits>
#include <optional>
#include <system_error>

namespace onarim {

namespace {

using Clock = std::chrono::steady_clock;

bool SameWindow(const std::weak_ptr<TMonitorWindow>& a, const std::weak_ptr<TMonitorWindow>& b) {
    return !a.owner_before(b) && !b.owner_before(a);
}

bool IsReleaseBlank(const TTraceObject& chunk) {
    return chunk.text == " " && chunk.kind == TTraceFlag::tfMisc;
}

// Raises `counter` by one, atomically, unless it is at the largest value; returns the value it
// then holds. Any user can write the block: a count raised past the largest value would turn
// negative (and the sum overflow), and a negative monitor count makes every writer drop its
// messages.
std::int32_t IncrementUnlessLargest(TMonitorSharedObjects::Counter counter) {
    std::int32_t value = counter.load();
    while (value < std::numeric_limits<std::int32_t>::max()) {
        if (counter.compare_exchange_weak(value, value + 1)) {
            return value + 1;
        }
    }
    return value;
}

} // namespace

TReaderThread::TReaderThread(TMonitorSharedObjects& shared, const std::atomic<bool>& shutdown)
    : shared_(shared), shutdown_(shutdown) {
    IncrementUnlessLargest(shared_.MonitorCount());
    // The readers that set the read event did not count this one: a writer must not take the
    // barrier as complete before it waits too (it sets the event again once it does).
    shared_.ReadEvent().Reset();
    try {
        thread_ = std::thread([this] { Run(); });
    } catch (const std::system_error&) {
        DecrementIfPositive(shared_.MonitorCount());
        throw;
    }
}

TReaderThread::~TReaderThread() {
    RequestStop();
    Join();
}

void TReaderThread::AddMonitor(const std::shared_ptr<TMonitorWindow>& window) {
    if (!window) {
        return;
    }
    const std::weak_ptr<TMonitorWindow> added = window;
    std::lock_guard guard(monitorsLock_);
    if (std::none_of(monitors_.begin(), monitors_.end(),
                     [&](const auto& known) { return SameWindow(known, added); })) {
        monitors_.push_back(added);
    }
}

void TReaderThread::RemoveMonitor(const std::shared_ptr<TMonitorWindow>& window) {
    const std::weak_ptr<TMonitorWindow> removed = window;
    std::lock_guard guard(monitorsLock_);
    std::erase_if(monitors_, [&](const auto& known) { return SameWindow(known, removed); });
}

bool TReaderThread::HasMonitors() const {
    std::lock_guard guard(monitorsLock_);
    return !monitors_.empty();
}

void TReaderThread::RequestStop() {
    stop_ = true;
}

void TReaderThread::Join() {
    if (thread_.joinable()) {
        thread_.join();
    }
}

bool TReaderThread::Ending() const {
    return stop_ || shutdown_;
}

void TReaderThread::Run() {
    while (!Ending()) {
        if (!BeginRead()) {
            break;
        }
        const bool leaving = shutdown_;
        if (!leaving) {
            received_ = shared_.LoadChunk();
        }
        EndRead(); // also at shutdown, so that the writer need not time out on this reader
        if (leaving) {
            break;
        }
        if (!received_.text.empty() && !IsReleaseBlank(received_)) {
            Deliver(received_);
        }
    }
    Leave();
}

// Waits until the writer releases the next chunk; false when the thread is to end and no
// chunk came within kLeaveGrace (it has then left any read it began).
bool TReaderThread::BeginRead() {
    if (!WaitFor(shared_.WriteFinishedEvent())) {
        return false;
    }
    const std::int32_t readers = IncrementUnlessLargest(shared_.ReaderCount());
    if (readers >= shared_.MonitorCount().load()) {
        shared_.ReadEvent().Set(); // every registered reader is waiting
    }
    if (!WaitFor(shared_.WriteEvent())) {
        EndRead();
        return false;
    }
    return true;
}

void TReaderThread::EndRead() {
    const std::optional<std::int32_t> readers = DecrementIfPositive(shared_.ReaderCount());
    if (readers && *readers == 0) {
        shared_.ReadEvent().Reset();
        shared_.ReadFinishedEvent().Set();
    }
}

// Counts this process's monitor out; if every remaining reader is already waiting, the
// barrier no longer needs to wait for this one.
void TReaderThread::Leave() {
    DecrementIfPositive(shared_.MonitorCount());
    const std::int32_t monitors = shared_.MonitorCount().load();
    if (monitors > 0 && shared_.ReaderCount().load() >= monitors) {
        shared_.ReadEvent().Set();
    }
}

// Waits for `event` without limit while the thread runs; once it is to end, for kLeaveGrace.
bool TReaderThread::WaitFor(TNamedEvent& event) {
    std::optional<Clock::time_point> giveUpAt;
    while (!event.Wait(kStopPoll)) {
        if (!Ending()) {
            continue;
        }
        const Clock::time_point now = Clock::now();
        if (!giveUpAt) {
            giveUpAt = now + kLeaveGrace;
        } else if (now >= *giveUpAt) {
            return false;
        }
    }
    return true;
}

void TReaderThread::Deliver(const TTraceObject& chunk) {
    std::lock_guard guard(monitorsLock_);
    for (const auto& monitor : monitors_) {
        if (auto window = monitor.lock()) {
            window->PostMessage(MonitorMessage::Trace, std::make_unique<TTraceObject>(chunk));
        }
    }
}

} // namespace onarim
