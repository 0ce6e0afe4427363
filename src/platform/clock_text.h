#pragma once

// Dates and times as the user's system writes them, for texts the operator reads (the session
// log, the last-generated stamp).

#include <ctime>
#include <string>

namespace zelvaro::platform {

// The local date in the system's short date format ("07.12.26", "12/7/26").
std::string shortDateText(std::time_t when);
// The local time in the system's long time format, without a time zone ("21:59:52",
// "9:59:52 PM").
std::string longTimeText(std::time_t when);

}  // namespace zelvaro::platform
