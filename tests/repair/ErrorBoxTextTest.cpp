#include <gtest/gtest.h>

#include "repair/ErrorBoxText.h"

namespace onarim {
namespace {

TEST(ErrorBoxTextTest, AddsAFullStopOnlyAfterCharactersAboveIt) {
    struct Case {
        std::string message;
        std::string shown;
    } cases[] = {
        {"Server Name Missing", "Server Name Missing."},
        {"Already ends.", "Already ends."},
        {"ends with a blank ", "ends with a blank "},
        {"ends with a line break\r\n", "ends with a line break\r\n"},
        {"Invalid data type for 'DefaultInstance'", "Invalid data type for 'DefaultInstance'"},
        {"code 58", "code 58."},
        {"Türkçe ı", "Türkçe ı."},
        {"", ""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ErrorBoxText(c.message), c.shown) << c.message;
    }
}

} // namespace
} // namespace onarim
