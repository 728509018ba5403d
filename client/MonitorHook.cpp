// Placeholder until the trace hook's publishing side lands: keeps the flag and enabled state
// and filters announcements, but publishes nothing.
#include "client/MonitorHook.h"

#include <mutex>

namespace onarim {

namespace {

class TIBSQLMonitorHook final : public IIBSQLMonitorHook {
public:
    void AttachMonitor(IIBMonitor&) override {}
    void DetachMonitor(IIBMonitor&) override {}
    void QueueMonitorRelease(IIBMonitor&) override {}
    void TracePrepare(const TTracedComponent&) override {}
    void TraceExecute(const TTracedComponent&) override {}
    void TraceFetch(const TTracedComponent&) override {}
    void TraceConnect(const TTracedComponent&) override {}
    void TraceDisconnect(const TTracedComponent&) override {}
    void TraceTransactionStart(const TTracedComponent&) override {}
    void TraceCommit(const TTracedComponent&) override {}
    void TraceCommitRetaining(const TTracedComponent&) override {}
    void TraceRollback(const TTracedComponent&) override {}
    void TraceRollbackRetaining(const TTracedComponent&) override {}
    void TraceServiceAttach(const TTracedComponent&) override {}
    void TraceServiceDetach(const TTracedComponent&) override {}
    void TraceServiceQuery(const TTracedComponent&) override {}
    void TraceServiceStart(const TTracedComponent&) override {}
    void TraceMisc(const std::string&) override {}
    TTraceFlags QueryTraceFlags() const override { return flags_; }
    int QueryMonitorCount() const override { return 0; }
    void AssignTraceFlags(TTraceFlags flags) override { flags_ = flags; }
    bool QueryEnabled() const override { return enabled_; }
    void AssignEnabled(bool enabled) override { enabled_ = enabled; }

private:
    TTraceFlags flags_ = TTraceFlags::All();
    bool enabled_ = true;
};

std::mutex hookLock;
std::shared_ptr<IIBSQLMonitorHook> hook;
bool shutdownBegun = false;

} // namespace

std::shared_ptr<IIBSQLMonitorHook> GetMonitorHook() {
    std::lock_guard lock(hookLock);
    if (!hook && !shutdownBegun) {
        hook = std::make_shared<TIBSQLMonitorHook>();
    }
    return hook;
}

void ShutdownMonitorHook() {
    std::lock_guard lock(hookLock);
    shutdownBegun = true;
    hook.reset();
}

} // namespace onarim
