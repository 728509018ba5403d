#include <cmath>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <memory>
#include <thread>
#include <unistd.h>

#include <gtest/gtest.h>

#include "client/IBErrors.h"
#include "trace/IBSQLMonitor.h"
#include "trace/IBSQLMonitorHook.h"
#include "trace/MonitorSharedObjects.h"
#include "platform/ScopeExit.h"
#include "trace/SharedMemory.h"
#include "support/ChildProcess.h"
#include "support/MonitorSupport.h"
#include "support/SharedNames.h"

namespace onarim {
namespace {

using namespace std::chrono_literals;
using testing::FinishChild;
using testing::ForkChild;
using testing::FramePrefix;
using testing::FreeForOtherThreads;
using testing::NextTrace;
using testing::ThreadCount;
using TF = TTraceFlag;

constexpr auto kArrival = 20s; // bound for anything that is to arrive

TTraceFlags Without(TTraceFlags flags, std::initializer_list<TTraceFlag> removed) {
    return TTraceFlags::FromBits(flags.Bits() & ~TTraceFlags(removed).Bits());
}

class MonitorHookTest : public ::testing::Test {
protected:
    // What `monitor` receives up to and including the sentinel text posted after `action`:
    // whatever `action` posted, in order, without the sentinel.
    std::vector<TTraceObject> PostedBy(IIBSQLMonitorHook& hook, TIBSQLMonitor& monitor,
                                       const std::function<void()>& action) {
        action();
        hook.TraceMisc("sentinel");
        std::vector<TTraceObject> received;
        while (std::optional<TTraceObject> trace = NextTrace(monitor, kArrival)) {
            if (trace->text == FramePrefix() + "sentinel") {
                EXPECT_EQ(monitor.Window()->Pending(), 0u);
                return received;
            }
            received.push_back(*trace);
        }
        ADD_FAILURE() << "the sentinel did not arrive";
        return received;
    }

    testing::TScopedSharedNames names_{testing::MonitorObjectNames()};
};

// The main window's service component has an empty trace-flag set: the hook must not make
// anything for it. Other filtered announcements likewise.
TEST_F(MonitorHookTest, FilteredAnnouncementsCreateNoSharedObjectAndNoThread) {
    struct Case {
        const char* what;
        TTraceFlags component;
        TTraceFlags hook;
        bool enabled;
    } cases[] = {
        {"empty component set", {}, TTraceFlags::All(), true},
        {"hook without tfService",
         {TF::tfService},
         Without(TTraceFlags::All(), {TF::tfService}),
         true},
        {"component without tfService", Without(TTraceFlags::All(), {TF::tfService}),
         TTraceFlags::All(), true},
        {"hook disabled", TTraceFlags::All(), TTraceFlags::All(), false},
    };
    for (const auto& c : cases) {
        const int threads = ThreadCount();
        TIBSQLMonitorHook hook;
        hook.AssignTraceFlags(c.hook);
        hook.AssignEnabled(c.enabled);
        TTracedComponent service(nullptr, "IBValidationService1");
        service.SetTraceFlags(c.component);
        hook.TraceServiceAttach(service);
        hook.TraceServiceStart(service);
        hook.TraceServiceQuery(service);
        hook.TraceServiceDetach(service);
        EXPECT_FALSE(testing::AnyMonitorObjectExists()) << c.what;
        EXPECT_EQ(ThreadCount(), threads) << c.what;
        EXPECT_EQ(hook.QueryMonitorCount(), 0) << c.what;
    }
}

TEST_F(MonitorHookTest, WithoutMonitorObjectsAndWriterAreMadeAndTextsDropped) {
    const int threads = ThreadCount();
    auto hook = std::make_shared<TIBSQLMonitorHook>();
    TTracedComponent service(nullptr, "IBValidationService1");
    service.SetTraceFlags({TF::tfService});
    hook->TraceServiceAttach(service);

    for (std::string_view name : MonitorObjectName::All) {
        EXPECT_TRUE(SharedObjectExists(name)) << name;
    }
    EXPECT_EQ(ThreadCount(), threads + 1) << "the writer thread";
    EXPECT_EQ(hook->QueryMonitorCount(), 0);

    TIBSQLMonitor monitor(nullptr, "IBSQLMonitor1", hook);
    monitor.SetEnabled(true);
    EXPECT_EQ(hook->QueryMonitorCount(), 1);
    EXPECT_TRUE(PostedBy(*hook, monitor, [] {}).empty()) << "the early text was dropped";
}

// Slots 6 to 20: each posts the component's name and its tag with its own kind, only when the
// kind is in both sets (statements: the kind or tfStmt).
TEST_F(MonitorHookTest, EachSlotPostsNameAndTagUnderItsKind) {
    using Slot = void (IIBSQLMonitorHook::*)(const TTracedComponent&);
    struct Case {
        Slot slot;
        TTraceFlag kind;
        const char* tag;
        bool statement;
    } cases[] = {
        {&IIBSQLMonitorHook::TracePrepare, TF::tfQPrepare, ": [Prepare] ", true},
        {&IIBSQLMonitorHook::TraceExecute, TF::tfQExecute, ": [Execute] ", true},
        {&IIBSQLMonitorHook::TraceFetch, TF::tfQFetch, ": [Fetch] ", true},
        {&IIBSQLMonitorHook::TraceConnect, TF::tfConnect, ": [Connect]", false},
        {&IIBSQLMonitorHook::TraceDisconnect, TF::tfConnect, ": [Disconnect]", false},
        {&IIBSQLMonitorHook::TraceTransactionStart, TF::tfTransact, ": [Start transaction]", false},
        {&IIBSQLMonitorHook::TraceCommit, TF::tfTransact, ": [Commit (Hard commit)]", false},
        {&IIBSQLMonitorHook::TraceCommitRetaining, TF::tfTransact,
         ": [Commit retaining (Soft commit)]", false},
        {&IIBSQLMonitorHook::TraceRollback, TF::tfTransact, ": [Rollback]", false},
        {&IIBSQLMonitorHook::TraceRollbackRetaining, TF::tfTransact,
         ": [Rollback retaining (Soft rollback)]", false},
        {&IIBSQLMonitorHook::TraceServiceAttach, TF::tfService, ": [Attach]", false},
        {&IIBSQLMonitorHook::TraceServiceDetach, TF::tfService, ": [Detach]", false},
        {&IIBSQLMonitorHook::TraceServiceQuery, TF::tfService, ": [Query]", false},
        {&IIBSQLMonitorHook::TraceServiceStart, TF::tfService, ": [Start]", false},
    };
    auto hook = std::make_shared<TIBSQLMonitorHook>();
    TIBSQLMonitor monitor(nullptr, "IBSQLMonitor1", hook);
    monitor.SetEnabled(true);
    TTracedComponent component(nullptr, "Component1");
    for (const auto& c : cases) {
        const std::string expected = FramePrefix() + "Component1" + c.tag;
        auto call = [&] { (hook.get()->*c.slot)(component); };

        component.SetTraceFlags({c.kind});
        std::vector<TTraceObject> posted = PostedBy(*hook, monitor, call);
        ASSERT_EQ(posted.size(), 1u) << c.tag;
        EXPECT_EQ(posted[0].text, expected);
        EXPECT_EQ(posted[0].kind, c.kind) << c.tag;

        component.SetTraceFlags(Without(TTraceFlags::All(), {c.kind, TF::tfStmt}));
        EXPECT_TRUE(PostedBy(*hook, monitor, call).empty()) << "component lacks the kind" << c.tag;

        component.SetTraceFlags(TTraceFlags::All());
        hook->AssignTraceFlags(Without(TTraceFlags::All(), {c.kind, TF::tfStmt}));
        EXPECT_TRUE(PostedBy(*hook, monitor, call).empty()) << "hook lacks the kind" << c.tag;
        hook->AssignTraceFlags(TTraceFlags::All());

        component.SetTraceFlags({TF::tfStmt});
        posted = PostedBy(*hook, monitor, call);
        EXPECT_EQ(posted.size(), c.statement ? 1u : 0u) << "tfStmt alone" << c.tag;
        if (!posted.empty()) {
            EXPECT_EQ(posted[0].kind, c.kind) << "posted under the statement's own kind";
        }
    }

    const std::vector<TTraceObject> misc = PostedBy(*hook, monitor, [&] {
        hook->AssignTraceFlags({});
        hook->TraceMisc("free text");
    });
    ASSERT_EQ(misc.size(), 1u) << "TraceMisc ignores the flags";
    EXPECT_EQ(misc[0].text, FramePrefix() + "free text");
    EXPECT_EQ(misc[0].kind, TF::tfMisc);
}

// The writer posts the release once it has published what was queued before; the chunk itself
// reaches the window through the reader thread, so the two may arrive in either order.
TEST_F(MonitorHookTest, ReleaseRequestArrivesAlsoWithoutMonitors) {
    auto hook = std::make_shared<TIBSQLMonitorHook>();
    TIBSQLMonitor registered(nullptr, "IBSQLMonitor1", hook);
    registered.SetEnabled(true);
    hook->TraceMisc("before");
    hook->QueueMonitorRelease(registered);
    std::optional<TMonitorMessage> first = registered.WaitMessage(kArrival);
    std::optional<TMonitorMessage> second = registered.WaitMessage(kArrival);
    ASSERT_TRUE(first && second);
    const TMonitorMessage& release = first->message == MonitorMessage::Release ? *first : *second;
    const TMonitorMessage& trace = first->message == MonitorMessage::Release ? *second : *first;
    EXPECT_EQ(release.message, MonitorMessage::Release);
    EXPECT_EQ(release.trace, nullptr);
    EXPECT_EQ(trace.message, MonitorMessage::Trace);

    registered.SetEnabled(false);
    ASSERT_EQ(hook->QueryMonitorCount(), 0);
    hook->QueueMonitorRelease(registered);
    std::optional<TMonitorMessage> late = registered.WaitMessage(kArrival);
    ASSERT_TRUE(late);
    EXPECT_EQ(late->message, MonitorMessage::Release);
}

TEST_F(MonitorHookTest, DisablingStopsTheWriterAndEnablingStartsAnother) {
    const int threads = ThreadCount();
    TIBSQLMonitorHook hook;
    hook.TraceMisc("starts the writer");
    EXPECT_EQ(ThreadCount(), threads + 1);

    hook.AssignEnabled(false);
    EXPECT_FALSE(hook.QueryEnabled());
    EXPECT_EQ(ThreadCount(), threads);
    hook.TraceMisc("dropped");
    EXPECT_EQ(ThreadCount(), threads);

    hook.AssignEnabled(true);
    hook.TraceMisc("a new writer");
    EXPECT_EQ(ThreadCount(), threads + 1);
}

TEST_F(MonitorHookTest, SharedObjectsThatCannotBeMadeSwitchTheHookOff) {
    setenv("ONARIM_MONITOR_NAME_SUFFIX", "/not-a-name", 1);
    try {
        TMonitorSharedObjects objects;
        FAIL() << "a name with a slash cannot be made";
    } catch (const EIBClientError& error) {
        EXPECT_EQ(error.SqlErrorCode(), 58);
        EXPECT_EQ(error.Message(), "Cannot create shared resource. (Windows error 22)");
    }

    const int threads = ThreadCount();
    auto hook = std::make_shared<TIBSQLMonitorHook>();
    TTracedComponent service(nullptr, "IBValidationService1");
    service.SetTraceFlags({TF::tfService});
    EXPECT_NO_THROW(hook->TraceServiceAttach(service));
    EXPECT_FALSE(hook->QueryEnabled());
    EXPECT_EQ(ThreadCount(), threads);

    hook->AssignEnabled(true);
    TIBSQLMonitor monitor(nullptr, "IBSQLMonitor1", hook);
    EXPECT_NO_THROW(monitor.SetEnabled(true));
    EXPECT_FALSE(hook->QueryEnabled());
    EXPECT_EQ(ThreadCount(), threads) << "no reader without the shared objects";
}

// What a killed run leaves behind: counters below 0, counters of monitors that never
// unregistered, a write lock held by a dead process, a barrier half-way through.
TEST_F(MonitorHookTest, LeftoversOfAKilledRunDoNotBreakTheNextOne) {
    {
        TMonitorSharedObjects leftover;
        leftover.MonitorCount().store(-3);
        leftover.ReaderCount().store(-2);
    }
    {
        const TMonitorSharedObjects reopened;
        EXPECT_EQ(reopened.MonitorCount().load(), 0) << "raised to 0 on opening";
        EXPECT_EQ(reopened.ReaderCount().load(), 0);
    }
    {
        TMonitorSharedObjects leftover;
        leftover.MonitorCount().store(2);
        leftover.ReaderCount().store(1);
        leftover.WriteFinishedEvent().Reset();
        leftover.WriteEvent().Set();
    }
    const pid_t holder = ForkChild([] {
        TMonitorSharedObjects objects;
        objects.WriteLock().Lock();
        _exit(0);
        return 1;
    });
    ASSERT_EQ(FinishChild(holder, kArrival), 0);

    auto writer = std::make_shared<TIBSQLMonitorHook>();
    auto reader = std::make_shared<TIBSQLMonitorHook>();
    TIBSQLMonitor monitor(nullptr, "IBSQLMonitor1", reader);
    monitor.SetEnabled(true);
    const auto deadline = std::chrono::steady_clock::now() + kArrival;
    std::optional<TTraceObject> arrived;
    while (!arrived && std::chrono::steady_clock::now() < deadline) {
        writer->TraceMisc("probe");
        arrived = NextTrace(monitor, 1s);
    }
    ASSERT_TRUE(arrived) << "the live monitor never received anything";
    writer->TraceMisc("next");
    std::optional<TTraceObject> next;
    while ((next = NextTrace(monitor, kArrival)) && next->text == FramePrefix() + "probe") {
    }
    ASSERT_TRUE(next);
    EXPECT_EQ(next->text, FramePrefix() + "next");
    EXPECT_EQ(writer->QueryMonitorCount(), 1) << "the dead monitors are counted out";
}

// The block is writable by every user: whatever its fields hold, a reader takes no more than
// the block's text and shows nothing it cannot be.
TEST_F(MonitorHookTest, GarbledChunkFieldsAreClampedWhenRead) {
    constexpr std::int32_t kService = static_cast<std::int32_t>(TF::tfService);
    constexpr double kLastMillisecondOf9999 = 2958466.0 - 1.0 / 86400000;
    struct Case {
        const char* what;
        std::int32_t length;
        std::int32_t kind;
        double timeStamp;
        std::size_t lengthRead;
        TTraceFlag kindRead;
        double timeStampRead;
    } cases[] = {
        {"length past the block", 5000, kService, 1.5, 1000, TF::tfService, 1.5},
        {"largest length", INT32_MAX, kService, 1.5, 1000, TF::tfService, 1.5},
        {"negative length", -7, kService, 1.5, 0, TF::tfService, 1.5},
        {"kind past the last flag", 10, 10, 1.5, 10, TF::tfMisc, 1.5},
        {"time stamp not a number", 10, kService, std::nan(""), 10, TF::tfService, 0.0},
        {"time stamp past year 9999", 10, kService, 1e300, 10, TF::tfService,
         kLastMillisecondOf9999},
    };
    const TMonitorSharedObjects objects;
    TSharedMemory block(MonitorObjectName::SharedBlock, MonitorBlock::Size);
    auto* bytes = static_cast<std::byte*>(block.Address());
    std::memset(bytes, 'x', MonitorBlock::ChunkCapacity);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        std::memcpy(bytes + MonitorBlock::LengthOffset, &c.length, sizeof c.length);
        std::memcpy(bytes + MonitorBlock::KindOffset, &c.kind, sizeof c.kind);
        std::memcpy(bytes + MonitorBlock::TimeStampOffset, &c.timeStamp, sizeof c.timeStamp);
        const TTraceObject chunk = objects.LoadChunk();
        EXPECT_EQ(chunk.text, std::string(c.lengthRead, 'x'));
        EXPECT_EQ(chunk.kind, c.kindRead);
        EXPECT_EQ(chunk.timeStamp, c.timeStampRead);
    }
}

// Counts far beyond any real number of monitors, written into the block while a monitor is
// registered, must not hold the writer up: counted down one time-out at a time they would for
// years. The live monitor keeps receiving.
TEST_F(MonitorHookTest, GarbledCountsDoNotHoldUpTheWriter) {
    constexpr std::int32_t kUnchanged = -1;
    struct Case {
        const char* what;
        std::int32_t monitors;
        std::int32_t readers;
    } cases[] = {
        {"monitor count at its largest", INT32_MAX, kUnchanged},
        {"reader count at its largest", kUnchanged, INT32_MAX},
        {"both far too large", 1000000, 1000000},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const testing::TScopedSharedNames fresh(testing::MonitorObjectNames());
        auto writer = std::make_shared<TIBSQLMonitorHook>();
        auto reader = std::make_shared<TIBSQLMonitorHook>();
        TIBSQLMonitor monitor(nullptr, "IBSQLMonitor1", reader);
        monitor.SetEnabled(true);
        writer->TraceMisc("before");
        ASSERT_TRUE(NextTrace(monitor, kArrival)) << "the barrier works before the damage";

        TMonitorSharedObjects objects;
        // The monitor's reader waits inside the next barrier before the counts are spoilt.
        const auto deadline = std::chrono::steady_clock::now() + kArrival;
        while (objects.ReaderCount().load() != 1 && std::chrono::steady_clock::now() < deadline) {
            std::this_thread::sleep_for(1ms);
        }
        // On failure, lets a held-up writer go, so that the hooks can end.
        const ScopeExit release([&] {
            if (HasFailure()) {
                objects.MonitorCount().store(0);
                objects.ReaderCount().store(0);
            }
        });
        if (c.monitors != kUnchanged) {
            objects.MonitorCount().store(c.monitors);
        }
        if (c.readers != kUnchanged) {
            objects.ReaderCount().store(c.readers);
        }
        for (const char* text : {"first", "second", "third"}) {
            writer->TraceMisc(text);
            const std::optional<TTraceObject> trace = NextTrace(monitor, 5s);
            ASSERT_TRUE(trace) << text << " was held up";
            EXPECT_EQ(trace->text, FramePrefix() + text);
        }
        EXPECT_EQ(writer->QueryMonitorCount(), 1);
    }
}

// Shutdown with a reader thread (a monitor of this process) and without one, while a monitor
// of another hook keeps the writer busy.
TEST_F(MonitorHookTest, ShutdownEndsEveryThreadAndLeavesTheLockFree) {
    for (const bool withReader : {false, true}) {
        SCOPED_TRACE(withReader ? "with a reader thread" : "without a reader thread");
        auto other = std::make_shared<TIBSQLMonitorHook>();
        TIBSQLMonitor otherMonitor(nullptr, "Elsewhere", other);
        otherMonitor.SetEnabled(true);
        const int threads = ThreadCount();

        auto hook = std::make_shared<TIBSQLMonitorHook>();
        TIBSQLMonitor monitor(nullptr, "IBSQLMonitor1", hook);
        monitor.SetEnabled(withReader);
        for (int i = 0; i < 20; ++i) {
            hook->TraceMisc("queued " + std::to_string(i));
        }
        hook->Shutdown();

        EXPECT_EQ(ThreadCount(), threads);
        TMonitorSharedObjects objects;
        EXPECT_TRUE(FreeForOtherThreads(objects.WriteLock()));
        EXPECT_EQ(objects.MonitorCount().load(), 1) << "only the other monitor is left";
        for (int i = 0; i < 20; ++i) {
            std::optional<TTraceObject> trace = NextTrace(otherMonitor, kArrival);
            ASSERT_TRUE(trace) << "what was queued is published before the writer ends";
            EXPECT_EQ(trace->text, FramePrefix() + "queued " + std::to_string(i));
        }
        EXPECT_FALSE(NextTrace(otherMonitor, 200ms)) << "the releasing blank is not shown";

        hook->TraceMisc("after shutdown");
        EXPECT_EQ(ThreadCount(), threads) << "no thread comes back";
    }
}

} // namespace
} // namespace onarim
