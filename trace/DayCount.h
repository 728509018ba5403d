#pragma once

#include <string>

namespace onarim {

// Dates and times as a count of days since 30 December 1899, with the time of day as the
// fraction (noon of 31 December 1899 is 1.5): the form the trace monitor protocol carries.

// The local date and time now.
double DayCountNow();

// The day count of `unixSeconds` (seconds since 1 January 1970 UTC) in a time zone that is
// `utcOffsetSeconds` ahead of UTC.
double DayCountFromUnixTime(double unixSeconds, long utcOffsetSeconds);

// `days` within the years 1 to 9999: a value beyond is taken as the nearer bound, NaN as 0.
// Day counts that come from elsewhere (another process) may be anything.
double ClampDayCount(double days);

// "yyyy-mm-dd hh:mm:ss.zzz", rounded to the millisecond, of ClampDayCount(days).
std::string FormatDayCount(double days);

} // namespace onarim
