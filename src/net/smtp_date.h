#pragma once

#include <ctime>
#include <string>

namespace zelvaro::net {

// "ddd, d mmm yyyy hh:mm:ss +hhmm" (RFC 5322) with English day and month names whatever the
// user's locale, for example "Mon, 7 Dec 2026 09:05:03 +0100". `local` is a broken-down local
// time with its weekday and its offset from UTC (tm_gmtoff) set.
std::string FormatMailDate(const std::tm& local);
// The same for a moment, in local time.
std::string FormatMailDate(std::time_t when);

}  // namespace zelvaro::net
