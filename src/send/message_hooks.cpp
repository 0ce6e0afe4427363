#include "send/message_hooks.h"

#include <strings.h>

#include <algorithm>
#include <cstring>

namespace zelvaro::send {

namespace {
const char* const kCommentsLine = "\r\nComments: This email was sent with Zelvaro.";
}

void addCommentsLine(char* line, int size) {
  if (strncasecmp(line, "From:", 5) != 0) return;
  // A sender too long for the line leaves the comment out rather than overflow it.
  if (std::strlen(line) + std::strlen(kCommentsLine) < static_cast<size_t>(size)) {
    std::strcat(line, kCommentsLine);
  }
}

void noteMessageId(const char* line, std::string& id) {
  static const char prefix[] = "Message-ID:";
  if (strncasecmp(line, prefix, sizeof prefix - 1) != 0) return;
  std::string value = line + sizeof prefix - 1;
  const size_t begin = value.find_first_not_of(' ');
  id = begin == std::string::npos ? std::string() : value.substr(begin);
}

void serveBodyLine(const std::vector<std::string>& lines, int number, char* buffer, int maxLen,
                   bool& more) {
  if (number < 1 || number > static_cast<int>(lines.size()) || maxLen < 1) {
    more = false;
    return;
  }
  const std::string& line = lines[static_cast<size_t>(number - 1)];
  const size_t length = std::min(line.size(), static_cast<size_t>(maxLen - 1));
  std::memcpy(buffer, line.data(), length);
  buffer[length] = '\0';
}

}  // namespace zelvaro::send
