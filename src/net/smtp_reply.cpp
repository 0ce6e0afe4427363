#include "net/smtp_reply.h"

#include <algorithm>
#include <cstring>
#include <limits>

namespace zelvaro::net {

std::optional<std::string> takeReplyLine(char* buffer, int& length) {
  for (int i = 0; i + 1 < length; ++i) {
    if (buffer[i] != '\r' || buffer[i + 1] != '\n') continue;
    std::string line(buffer, static_cast<size_t>(i));
    const int consumed = i + 2;
    std::memmove(buffer, buffer + consumed, static_cast<size_t>(length - consumed));
    length -= consumed;
    buffer[length] = '\0';
    return line;
  }
  return std::nullopt;
}

ReplyCode parseReplyCode(std::string_view line) {
  size_t i = 0;
  while (i < line.size() &&
         (line[i] == ' ' || line[i] == '\t' || line[i] == '\r' || line[i] == '\n')) {
    ++i;
  }
  bool negative = false;
  if (i < line.size() && (line[i] == '+' || line[i] == '-')) {
    negative = line[i] == '-';
    ++i;
  }
  constexpr long long kMax = std::numeric_limits<int>::max();
  long long value = 0;
  for (; i < line.size() && line[i] >= '0' && line[i] <= '9'; ++i) {
    value = std::min(kMax, value * 10 + (line[i] - '0'));
  }
  ReplyCode result;
  result.code = static_cast<int>(negative ? -value : value);
  result.continuation = i < line.size() && line[i] == '-';
  return result;
}

}  // namespace zelvaro::net
