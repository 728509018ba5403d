#include "trace/MonitorWindow.h"

namespace onarim {

bool TMonitorWindow::PostMessage(std::uint32_t message, std::unique_ptr<TTraceObject> trace) {
    {
        std::lock_guard guard(lock_);
        if (queue_.size() >= kCapacity) {
            return false;
        }
        queue_.push_back(TMonitorMessage{message, std::move(trace)});
    }
    posted_.notify_one();
    return true;
}

std::optional<TMonitorMessage> TMonitorWindow::WaitMessage(std::chrono::milliseconds timeout) {
    std::unique_lock guard(lock_);
    if (!posted_.wait_for(guard, timeout, [this] { return !queue_.empty(); })) {
        return std::nullopt;
    }
    TMonitorMessage message = std::move(queue_.front());
    queue_.pop_front();
    return message;
}

std::size_t TMonitorWindow::Pending() const {
    std::lock_guard guard(lock_);
    return queue_.size();
}

} // namespace onarim
