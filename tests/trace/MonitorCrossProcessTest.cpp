// The trace hook with monitors in other processes: the trace monitor program
// (onarim-trace-monitor) as the monitor, monitor_test_writer as a second writer.
#include <csignal>
#include <sstream>

#include <gtest/gtest.h>

#include "trace/IBSQLMonitorHook.h"
#include "trace/MonitorSharedObjects.h"
#include "support/ChildProcess.h"
#include "support/MonitorSupport.h"
#include "support/SharedNames.h"

namespace onarim {
namespace {

using namespace std::chrono_literals;
using testing::FramePrefix;
using testing::FreeForOtherThreads;
using testing::TChildProcess;
using testing::TextFramedTo;

constexpr auto kArrival = 20s; // bound for anything that is to arrive

// One line of the monitor program: date, time, kind, exact time stamp, length, quoted text.
struct PrintedChunk {
    std::string kind;
    std::string timeStamp;
    std::size_t length = 0;
    std::string text;
};

std::string Unescaped(std::string_view quoted) {
    std::string text;
    for (std::size_t i = 1; i + 1 < quoted.size(); ++i) {
        if (quoted[i] != '\\') {
            text += quoted[i];
            continue;
        }
        switch (quoted[++i]) {
        case 'r':
            text += '\r';
            break;
        case 'n':
            text += '\n';
            break;
        case 't':
            text += '\t';
            break;
        case 'x':
            text += static_cast<char>(std::stoi(std::string(quoted.substr(i + 1, 2)), nullptr, 16));
            i += 2;
            break;
        default:
            text += quoted[i];
            break;
        }
    }
    return text;
}

PrintedChunk Parse(const std::string& line) {
    std::istringstream fields(line);
    std::string date, time;
    PrintedChunk chunk;
    fields >> date >> time >> chunk.kind >> chunk.timeStamp >> chunk.length;
    const std::size_t quote = line.find('"');
    chunk.text = quote == std::string::npos ? "" : Unescaped(line.substr(quote));
    return chunk;
}

class MonitorCrossProcessTest : public ::testing::Test {
protected:
    // Starts the monitor program and waits until it is registered.
    std::unique_ptr<TChildProcess> StartMonitor() {
        auto monitor = std::make_unique<TChildProcess>(
            ONARIM_TRACE_MONITOR, std::vector<std::string>{"--seconds", "120"});
        const std::optional<std::string> ready = monitor->ReadLine(kArrival);
        EXPECT_TRUE(ready && ready->starts_with("listening")) << ready.value_or("(nothing)");
        return monitor;
    }

    std::vector<PrintedChunk> Read(TChildProcess& monitor, std::size_t count) {
        std::vector<PrintedChunk> chunks;
        while (chunks.size() < count) {
            const std::optional<std::string> line = monitor.ReadLine(kArrival);
            if (!line) {
                ADD_FAILURE() << "only " << chunks.size() << " of " << count << " chunks came";
                break;
            }
            chunks.push_back(Parse(*line));
        }
        return chunks;
    }

    // True once `condition` holds, looking until kArrival has passed.
    static bool Eventually(const std::function<bool()>& condition) {
        const auto deadline = std::chrono::steady_clock::now() + kArrival;
        while (!condition()) {
            if (std::chrono::steady_clock::now() > deadline) {
                return false;
            }
            std::this_thread::sleep_for(10ms);
        }
        return true;
    }

    testing::TScopedSharedNames names_{testing::MonitorObjectNames()};
};

// The three chunks of one framed text, checked against the text.
void ExpectChunksOf(const std::vector<PrintedChunk>& chunks, std::size_t first,
                    const std::string& framed) {
    const std::size_t lengths[] = {1000, 1000, 500};
    ASSERT_GE(chunks.size(), first + 3) << "the text's chunks did not all arrive";
    std::string joined;
    for (std::size_t i = 0; i < 3; ++i) {
        const PrintedChunk& chunk = chunks.at(first + i);
        EXPECT_EQ(chunk.length, lengths[i]) << "chunk " << i;
        EXPECT_EQ(chunk.text.size(), lengths[i]) << "chunk " << i;
        EXPECT_EQ(chunk.kind, "tfMisc");
        EXPECT_EQ(chunk.timeStamp, chunks.at(first).timeStamp) << "one time stamp per text";
        joined += chunk.text;
    }
    EXPECT_EQ(joined, framed);
}

TEST_F(MonitorCrossProcessTest, FramedTextOf2500BytesArrivesAsChunksOf1000_1000_500) {
    const std::unique_ptr<TChildProcess> monitor = StartMonitor();
    TIBSQLMonitorHook hook;
    const std::string text = TextFramedTo(2500, 'x');
    hook.TraceMisc(text);
    ExpectChunksOf(Read(*monitor, 3), 0, FramePrefix() + text);
}

// Each writer holds the write lock for all chunks of a text: the chunks of one text are never
// interleaved with another writer's. The test holds the lock until both writers have their
// whole queue waiting, so that they compete for every text.
TEST_F(MonitorCrossProcessTest, ChunksOfTwoWritingProcessesNeverInterleave) {
    constexpr int kTexts = 50;
    const std::unique_ptr<TChildProcess> monitor = StartMonitor();
    TMonitorSharedObjects objects;
    objects.WriteLock().Lock();
    TChildProcess otherWriter(MONITOR_TEST_WRITER, {"B", std::to_string(kTexts), "2500"});
    EXPECT_EQ(otherWriter.ReadLine(kArrival), "queued");
    TIBSQLMonitorHook hook;
    for (int i = 0; i < kTexts; ++i) {
        hook.TraceMisc(TextFramedTo(2500, 'A'));
    }
    objects.WriteLock().Unlock();

    const std::vector<PrintedChunk> chunks = Read(*monitor, 6 * kTexts);
    ASSERT_EQ(chunks.size(), 6u * kTexts);
    int texts[2] = {0, 0};
    for (std::size_t first = 0; first < chunks.size(); first += 3) {
        const char letter = chunks[first + 2].text.back();
        ASSERT_TRUE(letter == 'A' || letter == 'B') << chunks[first + 2].text;
        const std::string prefix =
            letter == 'A' ? FramePrefix() : "\r\n[Application: monitor_test_writer]\r\n";
        ExpectChunksOf(chunks, first, prefix + std::string(2500 - prefix.size(), letter));
        ++texts[letter - 'A'];
    }
    EXPECT_EQ(texts[0], kTexts);
    EXPECT_EQ(texts[1], kTexts);
    EXPECT_EQ(otherWriter.Wait(kArrival), 0);
}

// Two monitors, one killed while registered (waiting inside the barrier): the writer recovers
// within its time-outs, counts the dead one out and goes on serving the live one.
TEST_F(MonitorCrossProcessTest, MonitorKilledWhileRegisteredDoesNotStopTheWriter) {
    const std::unique_ptr<TChildProcess> victim = StartMonitor();
    const std::unique_ptr<TChildProcess> survivor = StartMonitor();
    const TMonitorSharedObjects objects;
    ASSERT_EQ(objects.MonitorCount().load(), 2);
    victim->Kill(SIGKILL);
    ASSERT_EQ(victim->Wait(kArrival), 128 + SIGKILL);

    TIBSQLMonitorHook hook;
    const std::string first = TextFramedTo(2500, 'f');
    hook.TraceMisc(first);
    ExpectChunksOf(Read(*survivor, 3), 0, FramePrefix() + first);
    EXPECT_EQ(objects.MonitorCount().load(), 1) << "the dead monitor is counted out, only it";

    const std::string second = TextFramedTo(2500, 's');
    hook.TraceMisc(second);
    ExpectChunksOf(Read(*survivor, 3), 0, FramePrefix() + second);
}

TEST_F(MonitorCrossProcessTest, LoneMonitorKilledThenANewOneIsServed) {
    const std::unique_ptr<TChildProcess> victim = StartMonitor();
    victim->Kill(SIGKILL);
    ASSERT_EQ(victim->Wait(kArrival), 128 + SIGKILL);

    TIBSQLMonitorHook hook;
    hook.TraceMisc(TextFramedTo(2500, 'l'));
    TMonitorSharedObjects objects;
    // Done with the text once nobody holds the lock (a monitor that registered earlier would
    // receive the text's remaining chunks).
    EXPECT_TRUE(Eventually([&] {
        return objects.MonitorCount().load() == 0 && FreeForOtherThreads(objects.WriteLock());
    })) << "the writer is stuck on the dead monitor";

    const std::unique_ptr<TChildProcess> newcomer = StartMonitor();
    hook.TraceMisc("later");
    const std::vector<PrintedChunk> chunks = Read(*newcomer, 1);
    ASSERT_EQ(chunks.size(), 1u);
    EXPECT_EQ(chunks[0].text, FramePrefix() + "later");
}

TEST_F(MonitorCrossProcessTest, MonitorProgramEndsOnTerminationAndCountsItselfOut) {
    const std::unique_ptr<TChildProcess> monitor = StartMonitor();
    const TMonitorSharedObjects objects;
    EXPECT_EQ(objects.MonitorCount().load(), 1);
    monitor->Kill(SIGTERM);
    EXPECT_EQ(monitor->Wait(kArrival), 0);
    EXPECT_EQ(objects.MonitorCount().load(), 0);
    EXPECT_EQ(objects.ReaderCount().load(), 0);
}

} // namespace
} // namespace onarim
