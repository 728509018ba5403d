// The process's own hook, as the service components reach it. One test: after
// ShutdownMonitorHook no later test of this program could have a hook.
#include <gtest/gtest.h>

#include "trace/MonitorHook.h"
#include "support/MonitorSupport.h"
#include "support/SharedNames.h"

namespace onarim {
namespace {

using testing::ThreadCount;

TEST(GetMonitorHookTest, OneHookUntilShutdownThenNone) {
    const testing::TScopedSharedNames names(testing::MonitorObjectNames());
    const int threads = ThreadCount();

    // The main window's component: an empty trace-flag set, announced the way the service
    // components do.
    TTracedComponent validation(nullptr, "IBValidationService1");
    for (int step = 0; step < 4; ++step) {
        if (auto hook = GetMonitorHook()) {
            hook->TraceServiceAttach(validation);
            hook->TraceServiceStart(validation);
            hook->TraceServiceQuery(validation);
            hook->TraceServiceDetach(validation);
        }
    }
    EXPECT_FALSE(testing::AnyMonitorObjectExists());
    EXPECT_EQ(ThreadCount(), threads);

    const std::shared_ptr<IIBSQLMonitorHook> hook = GetMonitorHook();
    ASSERT_NE(hook, nullptr);
    EXPECT_EQ(GetMonitorHook(), hook) << "one hook per process";
    EXPECT_EQ(hook->QueryTraceFlags(), TTraceFlags::All());
    EXPECT_TRUE(hook->QueryEnabled());

    TTracedComponent traced(nullptr, "IBValidationService2");
    traced.SetTraceFlags({TTraceFlag::tfService});
    hook->TraceServiceAttach(traced);
    EXPECT_TRUE(testing::AnyMonitorObjectExists());
    EXPECT_EQ(ThreadCount(), threads + 1) << "the writer thread";

    ShutdownMonitorHook();
    EXPECT_EQ(GetMonitorHook(), nullptr);
    EXPECT_EQ(ThreadCount(), threads);
    hook->TraceServiceDetach(traced); // a reference kept past shutdown publishes nothing
    EXPECT_EQ(ThreadCount(), threads);
    ShutdownMonitorHook();
    EXPECT_EQ(GetMonitorHook(), nullptr);
}

} // namespace
} // namespace onarim
