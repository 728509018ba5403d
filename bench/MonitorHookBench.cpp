// The trace hook's cost: messages per second published to one monitor, for framed texts of
// 100 and 2500 bytes (one and three chunks), and the time the announcing thread spends per
// announcement. The monitor is registered with a second hook of this process, which meets the
// writing hook only through the named objects, as a monitor in another process would.
#include <chrono>
#include <cstdlib>
#include <memory>
#include <string>
#include <unistd.h>

#include <benchmark/benchmark.h>

#include "trace/IBSQLMonitor.h"
#include "trace/IBSQLMonitorHook.h"
#include "trace/MonitorSharedObjects.h"
#include "platform/ApplicationTitle.h"

namespace {

using namespace onarim;

constexpr auto kArrival = std::chrono::seconds(20);

std::size_t FrameLength() {
    return ("\r\n[Application: " + ApplicationTitle() + "]\r\n").size();
}

// A writing hook and a registered monitor on a hook of its own.
struct Publisher {
    std::shared_ptr<TIBSQLMonitorHook> writer = std::make_shared<TIBSQLMonitorHook>();
    std::shared_ptr<TIBSQLMonitorHook> reader = std::make_shared<TIBSQLMonitorHook>();
    TIBSQLMonitor monitor{nullptr, "BenchMonitor", reader};

    Publisher() { monitor.SetEnabled(true); }

    // Takes `chunks` trace messages off the monitor; false when they stopped coming.
    bool Receive(long chunks) {
        while (chunks > 0) {
            std::optional<TMonitorMessage> message = monitor.WaitMessage(
                std::chrono::duration_cast<std::chrono::milliseconds>(kArrival));
            if (!message) {
                return false;
            }
            chunks -= message->message == MonitorMessage::Trace ? 1 : 0;
        }
        return true;
    }
};

void BM_MessagesToOneMonitor(benchmark::State& state) {
    const auto framedLength = static_cast<std::size_t>(state.range(0));
    const long chunksPerText = static_cast<long>((framedLength + 999) / 1000);
    constexpr long kBatch = 100;
    Publisher publisher;
    const std::string text(framedLength - FrameLength(), 'x');
    for (auto _ : state) {
        for (long i = 0; i < kBatch; ++i) {
            publisher.writer->TraceMisc(text);
        }
        if (!publisher.Receive(kBatch * chunksPerText)) {
            state.SkipWithError("chunks were lost");
            return;
        }
    }
    state.SetItemsProcessed(state.iterations() * kBatch);
    state.SetBytesProcessed(state.iterations() * kBatch * static_cast<long>(framedLength));
}
BENCHMARK(BM_MessagesToOneMonitor)
    ->Arg(100)
    ->Arg(2500)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);

// The system's own case: the component's trace-flag set is empty.
void BM_AnnouncementFilteredOut(benchmark::State& state) {
    TIBSQLMonitorHook hook;
    TTracedComponent service(nullptr, "IBValidationService1");
    for (auto _ : state) {
        hook.TraceServiceStart(service);
    }
}
BENCHMARK(BM_AnnouncementFilteredOut);

// Traced, but no monitor registered: framed and dropped at the queue.
void BM_AnnouncementWithoutMonitor(benchmark::State& state) {
    TIBSQLMonitorHook hook;
    TTracedComponent service(nullptr, "IBValidationService1");
    service.SetTraceFlags({TTraceFlag::tfService});
    for (auto _ : state) {
        hook.TraceServiceStart(service);
    }
}
BENCHMARK(BM_AnnouncementWithoutMonitor);

// Traced with a monitor registered: framed, stamped and queued for the writer, which publishes
// meanwhile on its own thread. Every 1000 announcements the clock stops until they are through.
void BM_AnnouncementToMonitor(benchmark::State& state) {
    constexpr long kDrainEvery = 1000;
    Publisher publisher;
    TTracedComponent service(nullptr, "IBValidationService1");
    service.SetTraceFlags({TTraceFlag::tfService});
    long pending = 0;
    for (auto _ : state) {
        publisher.writer->TraceServiceStart(service);
        if (++pending == kDrainEvery) {
            state.PauseTiming();
            if (!publisher.Receive(pending)) {
                state.SkipWithError("announcements were lost");
                return;
            }
            pending = 0;
            state.ResumeTiming();
        }
    }
    publisher.Receive(pending);
}
BENCHMARK(BM_AnnouncementToMonitor);

} // namespace

int main(int argc, char** argv) {
    // Named objects of this run only.
    setenv("ONARIM_MONITOR_NAME_SUFFIX", (".bench." + std::to_string(getpid())).c_str(), 1);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    onarim::RemoveMonitorSharedObjects();
    return 0;
}
