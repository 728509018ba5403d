#pragma once

#include <atomic>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>

#include "trace/MonitorHook.h"

namespace onarim {

class TMonitorSharedObjects;
class TReaderThread;
class TWriterThread;

// The trace hook behind IIBSQLMonitorHook. The process has one, reached through GetMonitorHook;
// tests make their own, each of which meets the others through the named objects as another
// process would.
//
// Nothing is created until it is needed: the shared objects and the writer thread at the first
// announcement that passes the trace-flag filter, the reader thread when a monitor of this
// process registers. When the shared objects cannot be made the hook switches itself off
// (QueryEnabled turns false) and the announcement is dropped; nothing is raised to the caller.
class TIBSQLMonitorHook final : public IIBSQLMonitorHook {
public:
    TIBSQLMonitorHook();
    // Shuts down as Shutdown does and closes the shared objects.
    ~TIBSQLMonitorHook() override;
    TIBSQLMonitorHook(const TIBSQLMonitorHook&) = delete;
    TIBSQLMonitorHook& operator=(const TIBSQLMonitorHook&) = delete;

    void AttachMonitor(IIBMonitor& monitor) override;
    void DetachMonitor(IIBMonitor& monitor) override;
    void QueueMonitorRelease(IIBMonitor& monitor) override;
    void TracePrepare(const TTracedComponent& statement) override;
    void TraceExecute(const TTracedComponent& statement) override;
    void TraceFetch(const TTracedComponent& statement) override;
    void TraceConnect(const TTracedComponent& database) override;
    void TraceDisconnect(const TTracedComponent& database) override;
    void TraceTransactionStart(const TTracedComponent& transaction) override;
    void TraceCommit(const TTracedComponent& transaction) override;
    void TraceCommitRetaining(const TTracedComponent& transaction) override;
    void TraceRollback(const TTracedComponent& transaction) override;
    void TraceRollbackRetaining(const TTracedComponent& transaction) override;
    void TraceServiceAttach(const TTracedComponent& service) override;
    void TraceServiceDetach(const TTracedComponent& service) override;
    void TraceServiceQuery(const TTracedComponent& service) override;
    void TraceServiceStart(const TTracedComponent& service) override;
    void TraceMisc(const std::string& text) override;
    TTraceFlags QueryTraceFlags() const override;
    int QueryMonitorCount() const override;
    void AssignTraceFlags(TTraceFlags flags) override;
    bool QueryEnabled() const override;
    void AssignEnabled(bool enabled) override;

    // Ends the hook's work as at process exit: if a reader thread runs, queues the blank that
    // releases it and waits for it to end, then stops the writer thread (which first publishes
    // what is queued) and waits for it. Later announcements and registrations are dropped.
    // Returns with no thread of the hook running and the write lock not held by this process.
    void Shutdown();

private:
    void TraceStatement(const TTracedComponent& statement, TTraceFlag kind, std::string_view tag);
    void TraceComponent(const TTracedComponent& component, TTraceFlag kind, std::string_view tag);
    void Post(const std::string& text, TTraceFlag kind);
    TMonitorSharedObjects* SharedObjects();
    TWriterThread& Writer(); // the writer thread, started if there is none; lock_ held
    void EndReader(std::unique_ptr<TReaderThread> reader);
    void StopWriter();

    std::atomic<std::uint16_t> traceFlags_{TTraceFlags::All().Bits()};
    std::atomic<bool> enabled_{true};
    std::atomic<bool> shutdown_{false};
    // Guards the members below; never held while waiting for a thread.
    mutable std::mutex lock_;
    std::atomic<bool> sharedObjectsCreated_{false};
    std::unique_ptr<TMonitorSharedObjects> sharedObjects_;
    std::unique_ptr<TWriterThread> writer_;
    std::unique_ptr<TReaderThread> reader_;
};

} // namespace onarim
