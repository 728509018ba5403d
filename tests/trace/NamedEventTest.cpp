#include <chrono>
#include <csignal>
#include <unistd.h>

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "trace/NamedEvent.h"
#include "support/ChildProcess.h"
#include "support/SharedNames.h"

namespace onarim {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
using testing::FinishChild;
using testing::ForkChild;
using testing::TScopedSharedNames;

// The objects these tests make, removed before and after each.
const std::vector<std::string> kObjectNames = {"onarim.event", "onarim.reset", "onarim.set"};

TEST(NamedEventTest, ManualResetWithInitialStateOfTheCreator) {
    TScopedSharedNames names(kObjectNames);
    TNamedEvent set("onarim.set", true);
    TNamedEvent reset("onarim.reset", false);
    const TNamedEvent opened("onarim.set", false);
    EXPECT_TRUE(opened.IsSet()) << "an existing event keeps its state";

    EXPECT_TRUE(set.Wait(0ms));
    EXPECT_TRUE(set.Wait(0ms)) << "stays set for every waiter";
    const auto before = Clock::now();
    EXPECT_FALSE(reset.Wait(150ms));
    EXPECT_GE(Clock::now() - before, 150ms);

    reset.Set();
    EXPECT_TRUE(reset.Wait(0ms));
    set.Reset();
    EXPECT_FALSE(opened.Wait(10ms));
}

TEST(NamedEventTest, SetReleasesWaitersInOtherProcesses) {
    TScopedSharedNames names(kObjectNames);
    TNamedEvent event("onarim.event", false);
    std::vector<pid_t> waiters;
    for (int i = 0; i < 3; ++i) {
        waiters.push_back(ForkChild([] {
            const TNamedEvent mine("onarim.event", false);
            return mine.Wait(20s) ? 0 : 1;
        }));
    }
    std::this_thread::sleep_for(100ms);
    event.Set();
    for (pid_t waiter : waiters) {
        EXPECT_EQ(FinishChild(waiter, 20s), 0);
    }
}

// A process-shared condition variable of glibc 2.36 blocks later broadcasts for ever once a
// waiter is killed; the event must not.
TEST(NamedEventTest, WaiterKilledWhileWaitingDoesNotBlockLaterSetters) {
    TScopedSharedNames names(kObjectNames);
    TNamedEvent event("onarim.event", false);
    const pid_t victim = ForkChild([] {
        const TNamedEvent mine("onarim.event", false);
        for (;;) {
            mine.Wait(1000ms);
        }
        return 0;
    });
    const pid_t survivor = ForkChild([] {
        const TNamedEvent mine("onarim.event", false);
        for (int round = 0; round < 20; ++round) {
            if (!mine.Wait(20s)) {
                return 1;
            }
            std::this_thread::sleep_for(2ms);
        }
        return 0;
    });
    std::this_thread::sleep_for(100ms);
    kill(victim, SIGKILL);
    EXPECT_EQ(FinishChild(victim, 20s), 128 + SIGKILL);

    const pid_t setter = ForkChild([] {
        TNamedEvent mine("onarim.event", false);
        for (int round = 0; round < 200; ++round) {
            mine.Set();
            std::this_thread::sleep_for(1ms);
            mine.Reset();
            std::this_thread::sleep_for(1ms);
        }
        mine.Set();
        return 0;
    });
    EXPECT_EQ(FinishChild(setter, 20s), 0) << "setting the event hung";
    EXPECT_EQ(FinishChild(survivor, 20s), 0);
}

} // namespace
} // namespace onarim
