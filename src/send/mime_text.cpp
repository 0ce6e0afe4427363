#include "send/mime_text.h"

#include <algorithm>
#include <cstdio>

#include "net/smtp_text.h"

namespace zelvaro::send {

void appendBase64(const unsigned char* bytes, size_t count, std::string& text) {
  static constexpr char kAlphabet[] =
      "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  const size_t start = text.size();
  text.resize(start + (count + 2) / 3 * 4);
  char* out = text.data() + start;
  for (size_t i = 0; i < count; i += 3) {
    const size_t n = std::min<size_t>(3, count - i);
    const unsigned b0 = bytes[i];
    const unsigned b1 = n > 1 ? bytes[i + 1] : 0;
    const unsigned b2 = n > 2 ? bytes[i + 2] : 0;
    *out++ = kAlphabet[b0 >> 2];
    *out++ = kAlphabet[((b0 & 3) << 4) | (b1 >> 4)];
    *out++ = n > 1 ? kAlphabet[((b1 & 15) << 2) | (b2 >> 6)] : '=';
    *out++ = n > 2 ? kAlphabet[b2 & 63] : '=';
  }
}

std::string base64Line(const unsigned char* bytes, size_t count) {
  std::string line;
  appendBase64(bytes, count, line);
  return line;
}

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
