#include <thread>
#include <unistd.h>

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "trace/NamedMutex.h"
#include "support/ChildProcess.h"
#include "support/SharedNames.h"

namespace onarim {
namespace {

using namespace std::chrono_literals;
using testing::FinishChild;
using testing::ForkChild;
using testing::FreeForOtherThreads;
using testing::TScopedSharedNames;

// The objects these tests make, removed before and after each.
const std::vector<std::string> kObjectNames = {"onarim.lock"};

TEST(NamedMutexTest, ReentrantForItsHolderExclusiveForOthers) {
    TScopedSharedNames names(kObjectNames);
    TNamedMutex mutex("onarim.lock");
    TNamedMutex sameLock("onarim.lock");
    EXPECT_FALSE(mutex.Lock());
    EXPECT_FALSE(mutex.Lock());
    EXPECT_TRUE(sameLock.TryLock()) << "re-entrant through another handle too";
    sameLock.Unlock();
    EXPECT_FALSE(FreeForOtherThreads(mutex));
    mutex.Unlock();
    EXPECT_FALSE(FreeForOtherThreads(mutex)) << "still held once";
    mutex.Unlock();
    EXPECT_TRUE(FreeForOtherThreads(mutex));
}

TEST(NamedMutexTest, HolderThatDiedIsRecoveredLikeAnAbandonedMutex) {
    TScopedSharedNames names(kObjectNames);
    TNamedMutex mutex("onarim.lock");
    const pid_t holder = ForkChild([] {
        TNamedMutex lock("onarim.lock");
        lock.Lock();
        lock.Lock();
        _exit(0); // ends holding it twice, still mapped
        return 1;
    });
    ASSERT_EQ(FinishChild(holder, 20s), 0);

    // The next taker waits in a process of its own, so that a lock never handed over fails
    // the test instead of hanging it.
    const pid_t taker = ForkChild([] {
        TNamedMutex lock("onarim.lock");
        if (!lock.Lock()) {
            return 1; // not reported abandoned
        }
        if (FreeForOtherThreads(lock)) {
            return 2;
        }
        lock.Unlock(); // one release is enough after the recovery
        return FreeForOtherThreads(lock) ? 0 : 3;
    });
    EXPECT_EQ(FinishChild(taker, 20s), 0);
    EXPECT_TRUE(mutex.TryLock()) << "consistent again";
    mutex.Unlock();
}

TEST(NamedMutexTest, SecondProcessWaitsUntilReleased) {
    TScopedSharedNames names(kObjectNames);
    TNamedMutex mutex("onarim.lock");
    mutex.Lock();
    const pid_t child = ForkChild([] {
        TNamedMutex lock("onarim.lock");
        if (lock.TryLock()) {
            return 1;
        }
        lock.Lock();
        lock.Unlock();
        return 0;
    });
    std::this_thread::sleep_for(100ms);
    mutex.Unlock();
    EXPECT_EQ(FinishChild(child, 20s), 0);
}

} // namespace
} // namespace onarim
