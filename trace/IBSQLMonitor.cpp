#include "trace/IBSQLMonitor.h"

namespace onarim {

TIBSQLMonitor::TIBSQLMonitor(TComponent* owner, std::string name,
                             std::shared_ptr<IIBSQLMonitorHook> hook)
    : TComponent(owner, std::move(name)), hook_(std::move(hook)) {}

TIBSQLMonitor::~TIBSQLMonitor() {
    SetEnabled(false);
}

void TIBSQLMonitor::SetEnabled(bool enabled) {
    if (enabled == Enabled()) {
        return;
    }
    if (!enabled) {
        registeredWith_->DetachMonitor(*this);
        registeredWith_.reset();
        return;
    }
    std::shared_ptr<IIBSQLMonitorHook> hook = hook_ ? hook_ : GetMonitorHook();
    if (!hook) {
        return;
    }
    hook->AttachMonitor(*this);
    registeredWith_ = std::move(hook);
}

std::optional<TMonitorMessage> TIBSQLMonitor::WaitMessage(std::chrono::milliseconds timeout) {
    return window_->WaitMessage(timeout);
}

} // namespace onarim
