#include <stdexcept>

#include <gtest/gtest.h>

#include "gui/ApplicationErrorText.h"
#include "client/IBErrors.h"

namespace onarim {
namespace {

TEST(ApplicationErrorTextTest, NamesClassModuleAndAddressThenTheMessageWithOneFullStop) {
    const void* address = reinterpret_cast<const void*>(std::uintptr_t{0x4A2B0});
    const std::string head = "Exception EIBClientError in module onarim at 000000000004A2B0.\n";
    struct Case {
        std::string message;
        std::string shown;
    } cases[] = {
        {"InterBase library gds32.dll not found in the path. Please install InterBase to use "
         "this functionality",
         head + "InterBase library gds32.dll not found in the path. Please install InterBase to "
                "use this functionality.\n"},
        {"Ends with one.", head + "Ends with one.\n"},
        // Unlike the error box, only a full stop counts here.
        {"Invalid data type for 'X'", head + "Invalid data type for 'X'.\n"},
        {"", head + ".\n"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ApplicationErrorText("EIBClientError", "onarim", address, c.message), c.shown);
    }
}

TEST(ApplicationErrorTextTest, ClassNameDropsTheNamespaces) {
    EXPECT_EQ(ExceptionClassName(EIBClientError(1, "x")), "EIBClientError");
    EXPECT_EQ(ExceptionClassName(std::runtime_error("x")), "runtime_error");
}

} // namespace
} // namespace onarim
