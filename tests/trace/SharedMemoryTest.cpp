#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>
#include <vector>

#include <gtest/gtest.h>

#include "trace/SharedMemory.h"
#include "platform/SystemError.h"
#include "support/ChildProcess.h"
#include "support/SharedNames.h"

namespace onarim {
namespace {

using namespace std::chrono_literals;
using testing::FinishChild;
using testing::ForkChild;
using testing::TScopedSharedNames;

// The objects these tests make, removed before and after each.
const std::vector<std::string> kObjectNames = {"onarim.block", "onarim.gone", "onarim.race",
                                               "onarim.small"};

constexpr std::uint32_t kMagic = 0x4F4E4152;

struct Record {
    std::uint32_t magic;
    std::uint32_t initialisedBy;
};

Record* RecordIn(const TSharedMemory& memory) {
    return static_cast<Record*>(memory.Address());
}

void SlowInitialise(void* address, std::size_t) {
    std::this_thread::sleep_for(50ms); // widens the window in which a racer could look
    static_cast<Record*>(address)->initialisedBy = static_cast<std::uint32_t>(getpid());
    static_cast<Record*>(address)->magic = kMagic;
}

int ErrorOf(const std::function<void()>& action) {
    try {
        action();
    } catch (const EOSError& error) {
        return error.ErrorCode();
    }
    return 0;
}

TEST(SharedObjectNameTest, LeadingSlashAndOptionalSuffix) {
    unsetenv("ONARIM_MONITOR_NAME_SUFFIX");
    EXPECT_EQ(SharedObjectName("IB.SQL.MONITOR.Mutex4_1"), "/IB.SQL.MONITOR.Mutex4_1");
    setenv("ONARIM_MONITOR_NAME_SUFFIX", ".run7", 1);
    EXPECT_EQ(SharedObjectName("IB.SQL.MONITOR.Mutex4_1"), "/IB.SQL.MONITOR.Mutex4_1.run7");
    unsetenv("ONARIM_MONITOR_NAME_SUFFIX");
}

TEST(SharedMemoryTest, CreatorInitialisesForEveryUserLaterOnesOpen) {
    TScopedSharedNames names(kObjectNames);
    const mode_t previousMask = umask(077);
    TSharedMemory first("onarim.block", sizeof(Record), SlowInitialise);
    umask(previousMask);
    const TSharedMemory second("onarim.block", sizeof(Record), [](void*, std::size_t) {
        ADD_FAILURE() << "an existing object is not initialised again";
    });

    EXPECT_TRUE(first.Created());
    EXPECT_FALSE(second.Created());
    EXPECT_EQ(RecordIn(second)->magic, kMagic);
    RecordIn(first)->initialisedBy = 7;
    EXPECT_EQ(RecordIn(second)->initialisedBy, 7u) << "both map the same memory";

    struct stat status {};
    ASSERT_EQ(stat(("/dev/shm" + SharedObjectName("onarim.block")).c_str(), &status), 0);
    EXPECT_EQ(status.st_mode & 0777, 0666u) << "despite the umask";
}

// Eight processes create the same object at once: exactly one initialises it, and none of the
// others ever sees it before it is initialised.
TEST(SharedMemoryTest, RacingCreatorsInitialiseOnceAndNeverSeeItHalfMade) {
    TScopedSharedNames names(kObjectNames);
    int go[2];
    ASSERT_EQ(pipe(go), 0);
    std::vector<pid_t> children;
    for (int i = 0; i < 8; ++i) {
        children.push_back(ForkChild([&] {
            close(go[1]);
            char start;
            if (read(go[0], &start, 1) != 0) {
                return 3;
            }
            const TSharedMemory memory("onarim.race", sizeof(Record), SlowInitialise);
            if (RecordIn(memory)->magic != kMagic) {
                return 2;
            }
            return memory.Created() ? 1 : 0;
        }));
    }
    close(go[0]);
    close(go[1]); // all start together
    int creators = 0;
    for (pid_t child : children) {
        const std::optional<int> status = FinishChild(child, 20s);
        ASSERT_TRUE(status.has_value()) << "a creator hung";
        ASSERT_TRUE(*status == 0 || *status == 1) << "exit status " << *status;
        creators += *status;
    }
    EXPECT_EQ(creators, 1);
}

TEST(SharedMemoryTest, UnusableNamesAndForeignObjectsRaiseEOSError) {
    TScopedSharedNames names(kObjectNames);
    const TSharedMemory small("onarim.small", 16);
    EXPECT_EQ(ErrorOf([] { TSharedMemory("onarim.small", 4096); }), EINVAL);
    EXPECT_EQ(ErrorOf([] { TSharedMemory("a/b", 16); }), EINVAL);
    EXPECT_EQ(ErrorOf([] { TSharedMemory(std::string(300, 'n'), 16); }), ENAMETOOLONG);
    setenv("ONARIM_MONITOR_NAME_SUFFIX", "/elsewhere", 1);
    EXPECT_EQ(ErrorOf([] { TSharedMemory("onarim.block", 16); }), EINVAL);
}

TEST(SharedMemoryTest, RemoveLeavesExistingMappingsAlone) {
    TScopedSharedNames names(kObjectNames);
    const TSharedMemory memory("onarim.gone", sizeof(Record), SlowInitialise);
    EXPECT_TRUE(SharedObjectExists("onarim.gone"));
    EXPECT_TRUE(RemoveSharedObject("onarim.gone"));
    EXPECT_FALSE(SharedObjectExists("onarim.gone"));
    EXPECT_TRUE(RemoveSharedObject("onarim.gone")) << "a missing object is not an error";
    EXPECT_EQ(RecordIn(memory)->magic, kMagic);
}

} // namespace
} // namespace onarim
