#pragma once

#include <memory>
#include <string>

#include "client/TraceFlags.h"
#include "client/TracedComponent.h"

namespace onarim {

class IIBMonitor; // a trace monitor of this process: receives messages through its own queue

// The process-wide trace hook: filters announcements of the database components by trace
// flags and publishes them, framed with the application's title, to every trace monitor
// registered on this machine (any process, any user) through named shared objects.
// The announcing thread never waits for a monitor: it only appends to a queue.
class IIBSQLMonitorHook {
public:
    virtual ~IIBSQLMonitorHook() = default;

    virtual void AttachMonitor(IIBMonitor& monitor) = 0;
    virtual void DetachMonitor(IIBMonitor& monitor) = 0;
    virtual void QueueMonitorRelease(IIBMonitor& monitor) = 0;

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
    virtual void TraceMisc(const std::string& text) = 0;

    virtual TTraceFlags QueryTraceFlags() const = 0;
    virtual int QueryMonitorCount() const = 0;
    virtual void AssignTraceFlags(TTraceFlags flags) = 0;
    virtual bool QueryEnabled() const = 0;
    virtual void AssignEnabled(bool enabled) = 0;
};

// The process-wide hook, created on first use; empty once shutdown has begun.
std::shared_ptr<IIBSQLMonitorHook> GetMonitorHook();

// Ends the hook at process exit: stops the reader and writer threads, releases the process's
// reference and forgets the hook. Afterwards GetMonitorHook returns an empty pointer.
void ShutdownMonitorHook();

} // namespace onarim
