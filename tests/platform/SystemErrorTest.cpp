#include <cerrno>
#include <thread>

#include <gtest/gtest.h>

#include "platform/SystemError.h"

namespace onarim {
namespace {

TEST(EOSErrorTest, MessageCarriesCodeAndSystemText) {
    struct Case {
        SystemError error;
        const char* message;
    } cases[] = {
        {{0, ""}, "A call to an OS function failed"},
        {{0, "ignored without a code"}, "A call to an OS function failed"},
        {{EIO, "Input/output error"}, "System Error.  Code: 5.\r\nInput/output error"},
        {{ENOENT, "lib.so: undefined symbol: f"}, "System Error.  Code: 2.\r\nlib.so: undefined symbol: f"},
    };
    for (const auto& c : cases) {
        EOSError error(c.error);
        EXPECT_EQ(error.Message(), c.message);
        EXPECT_EQ(error.ErrorCode(), c.error.code);
    }
}

TEST(LastSystemErrorTest, TakesStrerrorTextWhenNoneGivenAndIsPerThread) {
    SetLastSystemError(EACCES);
    EXPECT_EQ(LastSystemError().text, "Permission denied");

    std::thread other([] { EXPECT_EQ(LastSystemError().code, 0); });
    other.join();
    EXPECT_EQ(LastSystemError().code, EACCES);
}

} // namespace
} // namespace onarim
