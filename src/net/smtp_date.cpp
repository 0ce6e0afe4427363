#include "net/smtp_date.h"

#include <cstdio>

namespace zelvaro::net {

namespace {
constexpr const char* kDays[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
constexpr const char* kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                   "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

const char* nameAt(const char* const* names, int count, int index) {
  return index >= 0 && index < count ? names[index] : "???";
}
}  // namespace

std::string FormatMailDate(const std::tm& local) {
  // Without its zone a reader takes the time for its own, or for UTC.
  const long offset = local.tm_gmtoff / 60;
  const long minutes = offset < 0 ? -offset : offset;
  char text[64];
  std::snprintf(text, sizeof text, "%s, %d %s %04d %02d:%02d:%02d %c%02ld%02ld",
                nameAt(kDays, 7, local.tm_wday), local.tm_mday, nameAt(kMonths, 12, local.tm_mon),
                local.tm_year + 1900, local.tm_hour, local.tm_min, local.tm_sec,
                offset < 0 ? '-' : '+', minutes / 60, minutes % 60);
  return text;
}

std::string FormatMailDate(std::time_t when) {
  std::tm local{};
  localtime_r(&when, &local);
  return FormatMailDate(local);
}

}  // namespace zelvaro::net
