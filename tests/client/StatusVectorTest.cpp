#include <thread>

#include <gtest/gtest.h>

#include "client/StatusVector.h"

namespace onarim {
namespace {

TEST(StatusVectorTest, OnlyResultsAboveZeroFail) {
    EXPECT_FALSE(ClientCallFailed(-1));
    EXPECT_FALSE(ClientCallFailed(0));
    EXPECT_TRUE(ClientCallFailed(1));
    EXPECT_TRUE(ClientCallFailed(335544344));
}

TEST(StatusVectorTest, EachThreadHasItsOwnVectorStartingAtZero) {
    ISC_STATUS* mine = ThreadStatusVector();
    mine[1] = 42;
    std::thread other([mine] {
        ISC_STATUS* theirs = ThreadStatusVector();
        EXPECT_NE(theirs, mine);
        for (int i = 0; i < kStatusVectorLength; ++i) {
            EXPECT_EQ(theirs[i], 0);
        }
    });
    other.join();
    EXPECT_EQ(ThreadStatusVector()[1], 42);
}

} // namespace
} // namespace onarim
