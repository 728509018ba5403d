#include <cmath>
#include <ctime>

#include <gtest/gtest.h>

#include "trace/DayCount.h"

namespace onarim {
namespace {

TEST(DayCountTest, DaysSince30December1899WithTimeOfDayAsFraction) {
    struct Case {
        double unixSeconds;
        long offset;
        double days;
        const char* text;
    } cases[] = {
        {0, 0, 25569.0, "1970-01-01 00:00:00.000"},
        {-2209161600.0, 0, 0.0, "1899-12-30 00:00:00.000"},
        {-2209161600.0 + 86400 + 43200, 0, 1.5, "1899-12-31 12:00:00.000"},
        {0, 3 * 3600, 25569.125, "1970-01-01 03:00:00.000"},
        {0, -3600, 25568.0 + 23.0 / 24, "1969-12-31 23:00:00.000"},
        {1700000000.25, 0, 45244.925928819444, "2023-11-14 22:13:20.250"},
    };
    for (const auto& c : cases) {
        const double days = DayCountFromUnixTime(c.unixSeconds, c.offset);
        EXPECT_NEAR(days, c.days, 1e-9) << c.text;
        EXPECT_EQ(FormatDayCount(days), c.text);
    }
}

// Day counts read from another process may be anything; they are shown within years 1 to 9999.
TEST(DayCountTest, FarOutValuesAreShownAtTheNearerBound) {
    struct Case {
        double days;
        const char* text;
    } cases[] = {
        {std::nan(""), "1899-12-30 00:00:00.000"},
        {HUGE_VAL, "9999-12-31 23:59:59.999"},
        {1e300, "9999-12-31 23:59:59.999"},
        {-HUGE_VAL, "0001-01-01 00:00:00.000"},
        {-1e18, "0001-01-01 00:00:00.000"},
        {2958465.5, "9999-12-31 12:00:00.000"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(FormatDayCount(c.days), c.text) << c.days;
    }
}

TEST(DayCountTest, NowIsLocalTime) {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    const double expected = DayCountFromUnixTime(static_cast<double>(now), local.tm_gmtoff);
    EXPECT_NEAR(DayCountNow(), expected, 5.0 / 86400);
}

} // namespace
} // namespace onarim
