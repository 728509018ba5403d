// What a traced service component tells a trace monitor, through the process's hook.
#include <gtest/gtest.h>

#include "trace/IBSQLMonitor.h"
#include "client/IBErrors.h"
#include "trace/MonitorHook.h"
#include "services/IBValidationService.h"
#include "support/Bytes.h"
#include "support/MonitorSupport.h"
#include "support/ServiceTestFixture.h"
#include "support/SharedNames.h"

namespace onarim {
namespace {

using namespace std::chrono_literals;

class ServiceTraceTest : public testing::FakeClientTest {
protected:
    // The trace texts that reach the monitor, up to `expected` of them, each within `timeout`.
    std::vector<std::string> Received(std::size_t expected, std::chrono::milliseconds timeout) {
        std::vector<std::string> texts;
        while (texts.size() < expected) {
            auto trace = testing::NextTrace(monitor, timeout);
            if (!trace) {
                break;
            }
            EXPECT_EQ(trace->kind, TTraceFlag::tfService);
            texts.push_back(trace->text);
        }
        return texts;
    }

    testing::TScopedSharedNames names{testing::MonitorObjectNames()};
    TIBSQLMonitor monitor{nullptr, "IBSQLMonitor1"};
};

TEST_F(ServiceTraceTest, AttachStartQueryAndDetachAreAnnouncedOnlyWhenTheyWork) {
    monitor.SetEnabled(true);
    TIBValidationService service(nullptr, "IBValidationService1");
    service.SetLoginPrompt(false);
    service.SetDatabaseName("/db/x.fdb");
    service.SetTraceFlags({TTraceFlag::tfService});

    ScriptFailure("isc_service_attach", 335544472);
    EXPECT_THROW(service.SetActive(true), EIBInterBaseError);
    service.SetActive(true);
    service.ServiceStart();
    fake->queryReplies.push_back(testing::Hex("3F 00 00 01"));
    service.ReadOutputLine();
    service.SetActive(false);

    const std::string frame = testing::FramePrefix() + "IBValidationService1: ";
    EXPECT_EQ(Received(4, 5s), (std::vector<std::string>{frame + "[Attach]", frame + "[Start]",
                                                    frame + "[Query]", frame + "[Detach]"}));

    // The main window's component traces nothing.
    service.SetTraceFlags({});
    service.SetActive(true);
    service.SetActive(false);
    EXPECT_TRUE(Received(1, 1s).empty());
}

// Destroying an attached component detaches it; only a detach that worked is announced.
TEST_F(ServiceTraceTest, DestroyingAnAttachedComponentAnnouncesOnlyADetachThatWorked) {
    monitor.SetEnabled(true);
    const struct {
        bool detachFails;
        std::vector<std::string> tags;
    } cases[] = {
        {false, {"[Attach]", "[Detach]"}},
        {true, {"[Attach]"}},
    };
    const std::string frame = testing::FramePrefix() + "IBValidationService1: ";
    for (const auto& c : cases) {
        SCOPED_TRACE(c.detachFails ? "detach fails" : "detach works");
        {
            TIBValidationService service(nullptr, "IBValidationService1");
            service.SetLoginPrompt(false);
            service.SetTraceFlags({TTraceFlag::tfService});
            service.SetActive(true);
            if (c.detachFails) {
                ScriptFailure("isc_service_detach", 335544559);
            }
        }
        GetMonitorHook()->TraceMisc("end");
        std::vector<std::string> received;
        while (auto trace = testing::NextTrace(monitor, 5s)) {
            if (trace->text == testing::FramePrefix() + "end") {
                break;
            }
            received.push_back(trace->text.substr(frame.size()));
        }
        EXPECT_EQ(received, c.tags);
    }
}

} // namespace
} // namespace onarim
