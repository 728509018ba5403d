#include "trace/DayCount.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <ctime>

namespace onarim {

namespace {

constexpr double kSecondsPerDay = 86400.0;
constexpr long long kMillisecondsPerDay = 86400000;
// 1 January 1970 counted from 30 December 1899.
constexpr double kUnixEpochDays = 25569.0;
// 1 January of the year 1, and the last millisecond of 31 December 9999.
constexpr double kFirstDay = -693593.0;
constexpr double kLastInstant = 2958466.0 - 1.0 / kMillisecondsPerDay;

} // namespace

double DayCountFromUnixTime(double unixSeconds, long utcOffsetSeconds) {
    return kUnixEpochDays + (unixSeconds + static_cast<double>(utcOffsetSeconds)) / kSecondsPerDay;
}

double DayCountNow() {
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    tm local{};
    localtime_r(&now.tv_sec, &local);
    const double seconds = static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
    return DayCountFromUnixTime(seconds, local.tm_gmtoff);
}

double ClampDayCount(double days) {
    return std::isnan(days) ? 0.0 : std::clamp(days, kFirstDay, kLastInstant);
}

std::string FormatDayCount(double days) {
    using namespace std::chrono;
    // Clamped first: the millisecond arithmetic below would overflow on far-out values.
    const auto milliseconds =
        static_cast<long long>(std::llround(ClampDayCount(days) * kMillisecondsPerDay));
    const long long whole =
        milliseconds / kMillisecondsPerDay - (milliseconds % kMillisecondsPerDay < 0 ? 1 : 0);
    const long long ofDay = milliseconds - whole * kMillisecondsPerDay;
    const year_month_day date{
        sys_days{std::chrono::days{whole - static_cast<long long>(kUnixEpochDays)}}};
    char text[64];
    std::snprintf(text, sizeof text, "%04d-%02u-%02u %02lld:%02lld:%02lld.%03lld",
                  static_cast<int>(date.year()), static_cast<unsigned>(date.month()),
                  static_cast<unsigned>(date.day()), ofDay / 3600000, ofDay / 60000 % 60,
                  ofDay / 1000 % 60, ofDay % 1000);
    return text;
}

} // namespace onarim
