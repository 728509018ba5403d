#include "trace/IBSQLMonitorHook.h"

#include <algorithm>
#include <system_error>

#include "client/IBErrors.h"
#include "trace/MonitorReaderThread.h"
#include "trace/MonitorSharedObjects.h"
#include "trace/MonitorWriterThread.h"
#include "platform/ApplicationTitle.h"

namespace onarim {

namespace {

// The text that ends a reader's wait; readers do not post it to their monitors.
const std::string kReleaseBlank = " ";

std::string Framed(const std::string& text) {
    return "\r\n[Application: " + ApplicationTitle() + "]\r\n" + text;
}

} // namespace

TIBSQLMonitorHook::TIBSQLMonitorHook() = default;

TIBSQLMonitorHook::~TIBSQLMonitorHook() {
    Shutdown();
}

void TIBSQLMonitorHook::TracePrepare(const TTracedComponent& statement) {
    TraceStatement(statement, TTraceFlag::tfQPrepare, ": [Prepare] ");
}
void TIBSQLMonitorHook::TraceExecute(const TTracedComponent& statement) {
    TraceStatement(statement, TTraceFlag::tfQExecute, ": [Execute] ");
}
void TIBSQLMonitorHook::TraceFetch(const TTracedComponent& statement) {
    TraceStatement(statement, TTraceFlag::tfQFetch, ": [Fetch] ");
}
void TIBSQLMonitorHook::TraceConnect(const TTracedComponent& database) {
    TraceComponent(database, TTraceFlag::tfConnect, ": [Connect]");
}
void TIBSQLMonitorHook::TraceDisconnect(const TTracedComponent& database) {
    TraceComponent(database, TTraceFlag::tfConnect, ": [Disconnect]");
}
void TIBSQLMonitorHook::TraceTransactionStart(const TTracedComponent& transaction) {
    TraceComponent(transaction, TTraceFlag::tfTransact, ": [Start transaction]");
}
void TIBSQLMonitorHook::TraceCommit(const TTracedComponent& transaction) {
    TraceComponent(transaction, TTraceFlag::tfTransact, ": [Commit (Hard commit)]");
}
void TIBSQLMonitorHook::TraceCommitRetaining(const TTracedComponent& transaction) {
    TraceComponent(transaction, TTraceFlag::tfTransact, ": [Commit retaining (Soft commit)]");
}
void TIBSQLMonitorHook::TraceRollback(const TTracedComponent& transaction) {
    TraceComponent(transaction, TTraceFlag::tfTransact, ": [Rollback]");
}
void TIBSQLMonitorHook::TraceRollbackRetaining(const TTracedComponent& transaction) {
    TraceComponent(transaction, TTraceFlag::tfTransact, ": [Rollback retaining (Soft rollback)]");
}
void TIBSQLMonitorHook::TraceServiceAttach(const TTracedComponent& service) {
    TraceComponent(service, TTraceFlag::tfService, ": [Attach]");
}
void TIBSQLMonitorHook::TraceServiceDetach(const TTracedComponent& service) {
    TraceComponent(service, TTraceFlag::tfService, ": [Detach]");
}
void TIBSQLMonitorHook::TraceServiceQuery(const TTracedComponent& service) {
    TraceComponent(service, TTraceFlag::tfService, ": [Query]");
}
void TIBSQLMonitorHook::TraceServiceStart(const TTracedComponent& service) {
    TraceComponent(service, TTraceFlag::tfService, ": [Start]");
}

void TIBSQLMonitorHook::TraceMisc(const std::string& text) {
    if (enabled_) {
        Post(text, TTraceFlag::tfMisc);
    }
}

// Statements are traced under their own kind or under tfStmt. This system has no statement
// component, so only the name and the tag are posted.
void TIBSQLMonitorHook::TraceStatement(const TTracedComponent& statement, TTraceFlag kind,
                                       std::string_view tag) {
    if (!enabled_) {
        return;
    }
    const TTraceFlags flags = statement.TraceFlags() * QueryTraceFlags();
    if (flags.Contains(kind) || flags.Contains(TTraceFlag::tfStmt)) {
        Post(statement.Name() + std::string(tag), kind);
    }
}

void TIBSQLMonitorHook::TraceComponent(const TTracedComponent& component, TTraceFlag kind,
                                       std::string_view tag) {
    if (!enabled_) {
        return;
    }
    if ((component.TraceFlags() * QueryTraceFlags()).Contains(kind)) {
        Post(component.Name() + std::string(tag), kind);
    }
}

void TIBSQLMonitorHook::Post(const std::string& text, TTraceFlag kind) {
    if (SharedObjects() == nullptr) {
        return;
    }
    std::string framed = Framed(text);
    std::lock_guard guard(lock_);
    if (shutdown_) {
        return;
    }
    try {
        Writer().Queue(std::move(framed), kind);
    } catch (const std::system_error&) {
        enabled_ = false; // no thread to publish with: as when the shared objects fail
    }
}

// The shared objects, made on first use; nullptr when they cannot be made, and the hook is
// then switched off.
TMonitorSharedObjects* TIBSQLMonitorHook::SharedObjects() {
    if (sharedObjectsCreated_.load(std::memory_order_acquire)) {
        return sharedObjects_.get();
    }
    std::lock_guard guard(lock_);
    if (!sharedObjects_) {
        try {
            sharedObjects_ = std::make_unique<TMonitorSharedObjects>();
        } catch (const EIBClientError&) {
            enabled_ = false;
            return nullptr;
        }
        sharedObjectsCreated_.store(true, std::memory_order_release);
    }
    return sharedObjects_.get();
}

TWriterThread& TIBSQLMonitorHook::Writer() {
    if (!writer_) {
        writer_ = std::make_unique<TWriterThread>(*sharedObjects_, shutdown_);
    }
    return *writer_;
}

void TIBSQLMonitorHook::AttachMonitor(IIBMonitor& monitor) {
    TMonitorSharedObjects* shared = SharedObjects();
    if (shared == nullptr) {
        return; // the hook is now off; without the shared objects there is nothing to read
    }
    std::lock_guard guard(lock_);
    if (shutdown_) {
        return;
    }
    try {
        if (!reader_) {
            reader_ = std::make_unique<TReaderThread>(*shared, shutdown_);
        }
    } catch (const std::system_error&) {
        enabled_ = false;
        return;
    }
    reader_->AddMonitor(monitor.Window());
}

void TIBSQLMonitorHook::DetachMonitor(IIBMonitor& monitor) {
    std::unique_ptr<TReaderThread> leaving;
    {
        std::lock_guard guard(lock_);
        if (!reader_) {
            return;
        }
        reader_->RemoveMonitor(monitor.Window());
        if (reader_->HasMonitors()) {
            return;
        }
        leaving = std::move(reader_);
    }
    EndReader(std::move(leaving));
}

// Stops a reader thread that has left the list: queues the blank that ends its wait (on a
// writer started for the purpose if there is none, stopped again afterwards) and waits for it.
void TIBSQLMonitorHook::EndReader(std::unique_ptr<TReaderThread> reader) {
    reader->RequestStop();
    TWriterThread* startedForThis = nullptr;
    {
        std::lock_guard guard(lock_);
        try {
            startedForThis = writer_ ? nullptr : &Writer();
            writer_->Queue(kReleaseBlank, TTraceFlag::tfMisc);
        } catch (const std::system_error&) {
            // No writer: the reader leaves the barrier by itself after its grace time.
        }
    }
    reader.reset(); // waits for the thread
    std::unique_ptr<TWriterThread> writer;
    {
        std::lock_guard guard(lock_);
        if (startedForThis != nullptr && writer_.get() == startedForThis) {
            writer = std::move(writer_);
        }
    }
    writer.reset();
}

void TIBSQLMonitorHook::QueueMonitorRelease(IIBMonitor& monitor) {
    const std::shared_ptr<TMonitorWindow> window = monitor.Window();
    if (SharedObjects() != nullptr) {
        std::lock_guard guard(lock_);
        try {
            if (!shutdown_) {
                Writer().QueueRelease(window);
                return;
            }
        } catch (const std::system_error&) {
        }
    }
    // No writer to queue it on: the request is due at once.
    if (window) {
        window->PostMessage(MonitorMessage::Release);
    }
}

TTraceFlags TIBSQLMonitorHook::QueryTraceFlags() const {
    return TTraceFlags::FromBits(traceFlags_.load());
}

int TIBSQLMonitorHook::QueryMonitorCount() const {
    if (!sharedObjectsCreated_.load(std::memory_order_acquire)) {
        return 0;
    }
    // The block is writable by every user: report no more than can be real.
    return std::clamp<std::int32_t>(sharedObjects_->MonitorCount().load(), 0,
                                    MonitorBlock::MaxPlausibleCount);
}

void TIBSQLMonitorHook::AssignTraceFlags(TTraceFlags flags) {
    traceFlags_ = flags.Bits();
}

bool TIBSQLMonitorHook::QueryEnabled() const {
    return enabled_;
}

void TIBSQLMonitorHook::AssignEnabled(bool enabled) {
    enabled_ = enabled;
    if (enabled) {
        return;
    }
    StopWriter();
}

// Takes the writer thread out under the lock and stops it outside, so that announcements are
// not held up meanwhile (they start a new writer).
void TIBSQLMonitorHook::StopWriter() {
    std::unique_ptr<TWriterThread> writer;
    {
        std::lock_guard guard(lock_);
        writer = std::move(writer_);
    }
    writer.reset();
}

void TIBSQLMonitorHook::Shutdown() {
    shutdown_ = true;
    std::unique_ptr<TReaderThread> reader;
    {
        std::lock_guard guard(lock_);
        reader = std::move(reader_);
    }
    if (reader) {
        EndReader(std::move(reader));
    }
    StopWriter();
}

} // namespace onarim
