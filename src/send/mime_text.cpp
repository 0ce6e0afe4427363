#include "send/mime_text.h"

#include <algorithm>
#include <cstdio>

#include "net/smtp_text.h"

namespace zelvaro::send {

std::string mimeBoundary(const std::tm& local, std::uint64_t random) {
  char stamp[48];
  std::snprintf(stamp, sizeof stamp, "%02d%02d%02d%02d%02d.%016llx", local.tm_mon + 1,
                local.tm_mday, local.tm_year % 100, local.tm_hour, local.tm_min,
                static_cast<unsigned long long>(random));
  return std::string("= Multipart Boundary ") + stamp;
}

std::string attachmentFileName(std::string_view path) {
  const size_t cut = path.rfind('/');
  return std::string(cut == std::string_view::npos ? path : path.substr(cut + 1));
}

std::string quotedParameter(std::string_view name) {
  std::string quoted;
  for (char c : net::singleLine(name)) {
    if (c == '"' || c == '\\') quoted += '\\';
    quoted += c;
  }
  return quoted;
}

}  // namespace zelvaro::send
