#pragma once

#include <chrono>
#include <memory>
#include <optional>
#include <string>

#include "trace/MonitorHook.h"
#include "trace/MonitorWindow.h"
#include "platform/Component.h"

namespace onarim {

// A trace monitor of this process. While enabled it is registered with a trace hook and its
// window receives every chunk that any process on this machine publishes (MonitorMessage::Trace,
// with the chunk as a TTraceObject now owned by the receiver) and the release requests queued
// for it (MonitorMessage::Release). Its owner takes the messages off with WaitMessage, on
// whatever thread it likes.
class TIBSQLMonitor : public TComponent, public IIBMonitor {
public:
    // `hook` is the hook to register with; empty means the process's (GetMonitorHook) at the
    // time of enabling.
    explicit TIBSQLMonitor(TComponent* owner = nullptr, std::string name = {},
                           std::shared_ptr<IIBSQLMonitorHook> hook = {});
    // Unregisters.
    ~TIBSQLMonitor() override;

    // Registers with the hook (true) or unregisters (false). Registering does nothing once
    // the process's hook has been shut down; when the hook cannot make its shared objects it
    // switches itself off and nothing is received (see QueryEnabled of the hook).
    void SetEnabled(bool enabled);
    bool Enabled() const noexcept { return registeredWith_ != nullptr; }

    std::shared_ptr<TMonitorWindow> Window() const override { return window_; }

    // The next message, waiting up to `timeout`; empty when none came.
    std::optional<TMonitorMessage> WaitMessage(std::chrono::milliseconds timeout);

private:
    std::shared_ptr<IIBSQLMonitorHook> hook_;
    std::shared_ptr<IIBSQLMonitorHook> registeredWith_;
    std::shared_ptr<TMonitorWindow> window_ = std::make_shared<TMonitorWindow>();
};

} // namespace onarim
