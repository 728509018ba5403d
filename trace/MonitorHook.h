#pragma once

#include <memory>
#include <string>

#include "trace/MonitorWindow.h"
#include "trace/TraceFlags.h"
#include "trace/TracedComponent.h"

namespace onarim {

// The process-wide trace hook: filters announcements of the database components by trace
// flags and publishes them, framed with the application's title
// ("\r\n[Application: <title>]\r\n<text>"), to every trace monitor registered on this machine
// (any process, any user) through named shared objects (client/MonitorSharedObjects.h).
// The announcing thread never waits for a monitor: it only appends to a queue; with no monitor
// registered the text is dropped. No slot raises: when the shared objects cannot be made the
// hook switches itself off (QueryEnabled turns false) and the announcement is dropped.
class IIBSQLMonitorHook {
public:
    virtual ~IIBSQLMonitorHook() = default;

    // Registers a monitor of this process: from now on its window receives every published
    // chunk as MonitorMessage::Trace. A monitor already registered is not added twice.
    virtual void AttachMonitor(IIBMonitor& monitor) = 0;
    // Unregisters it; with the last one the hook's reader thread ends.
    virtual void DetachMonitor(IIBMonitor& monitor) = 0;
    // Queues MonitorMessage::Release for the monitor's window behind what is queued already.
    virtual void QueueMonitorRelease(IIBMonitor& monitor) = 0;

    // While the hook is enabled, each posts the component's name and its tag (": [Attach]",
    // ": [Prepare] ", ...) with one trace kind, when that kind is in both the component's and
    // the hook's trace-flag set (for statements: that kind or tfStmt).
    virtual void TracePrepare(const TTracedComponent& statement) = 0;
    virtual void TraceExecute(const TTracedComponent& statement) = 0;
    virtual void TraceFetch(const TTracedComponent& statement) = 0;
    virtual void TraceConnect(const TTracedComponent& database) = 0;
    virtual void TraceDisconnect(const TTracedComponent& database) = 0;
    virtual void TraceTransactionStart(const TTracedComponent& transaction) = 0;
    virtual void TraceCommit(const TTracedComponent& transaction) = 0;
    virtual void TraceCommitRetaining(const TTracedComponent& transaction) = 0;
    virtual void TraceRollback(const TTracedComponent& transaction) = 0;
    virtual void TraceRollbackRetaining(const TTracedComponent& transaction) = 0;
    virtual void TraceServiceAttach(const TTracedComponent& service) = 0;
    virtual void TraceServiceDetach(const TTracedComponent& service) = 0;
    virtual void TraceServiceQuery(const TTracedComponent& service) = 0;
    virtual void TraceServiceStart(const TTracedComponent& service) = 0;
    // While the hook is enabled, posts `text` unchanged with kind tfMisc, whatever the flags.
    virtual void TraceMisc(const std::string& text) = 0;

    virtual TTraceFlags QueryTraceFlags() const = 0;
    // Monitors registered in all processes (0 while this hook has no shared objects), as the
    // shared block counts them, read as 0 to MonitorBlock::MaxPlausibleCount.
    virtual int QueryMonitorCount() const = 0;
    virtual void AssignTraceFlags(TTraceFlags flags) = 0;
    virtual bool QueryEnabled() const = 0;
    // Off also stops the writer thread, which first publishes (or drops) what is queued.
    virtual void AssignEnabled(bool enabled) = 0;
};

// The process-wide hook, created on first use; empty once shutdown has begun.
std::shared_ptr<IIBSQLMonitorHook> GetMonitorHook();

// Ends the hook at process exit: stops the reader and writer threads, releases the process's
// reference and forgets the hook. Afterwards GetMonitorHook returns an empty pointer, and a
// reference still held elsewhere publishes nothing more. Call it once the components have
// stopped announcing; it may be called more than once.
void ShutdownMonitorHook();

} // namespace onarim
