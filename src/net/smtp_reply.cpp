#include "net/smtp_reply.h"

#include <algorithm>
#include <cctype>
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
  auto digit = [&](size_t i) { return line.size() > i && line[i] >= '0' && line[i] <= '9'; };
  ReplyCode result;
  if (!digit(0) || !digit(1) || !digit(2) || line[0] < '2' || line[0] > '5') return result;
  if (line.size() > 3 && line[3] != ' ' && line[3] != '-') return result;
  result.code = (line[0] - '0') * 100 + (line[1] - '0') * 10 + (line[2] - '0');
  result.continuation = line.size() > 3 && line[3] == '-';
  result.wellFormed = true;
  return result;
}

namespace {

std::string upper(std::string_view text) {
  std::string result(text);
  for (char& c : result) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return result;
}

std::vector<std::string> words(std::string_view text) {
  std::vector<std::string> result;
  size_t i = 0;
  while (i < text.size()) {
    while (i < text.size() && text[i] == ' ') ++i;
    const size_t start = i;
    while (i < text.size() && text[i] != ' ') ++i;
    if (i > start) result.push_back(upper(text.substr(start, i - start)));
  }
  return result;
}

}  // namespace

void addCapabilityLine(SmtpCapabilities& capabilities, std::string_view line) {
  const bool greeting = capabilities.lines.empty();
  capabilities.lines.emplace_back(line);
  if (greeting || line.size() < 4) return;
  std::vector<std::string> keyword = words(line.substr(4));
  if (keyword.empty()) return;
  // Old servers still write "AUTH=LOGIN PLAIN".
  if (keyword[0].rfind("AUTH=", 0) == 0) {
    keyword.insert(keyword.begin() + 1, keyword[0].substr(5));
    keyword[0] = "AUTH";
  }
  const std::string& name = keyword[0];
  if (name == "STARTTLS") {
    capabilities.startTls = true;
  } else if (name == "8BITMIME") {
    capabilities.eightBitMime = true;
  } else if (name == "PIPELINING") {
    capabilities.pipelining = true;
  } else if (name == "SMTPUTF8") {
    capabilities.smtpUtf8 = true;
  } else if (name == "SIZE") {
    capabilities.sizeOffered = true;
    if (keyword.size() < 2) return;
    std::uint64_t value = 0;
    for (char c : keyword[1]) {
      if (c < '0' || c > '9' || value > std::numeric_limits<std::uint64_t>::max() / 10 - 1) {
        value = 0;
        break;
      }
      value = value * 10 + static_cast<std::uint64_t>(c - '0');
    }
    capabilities.size = value;
  } else if (name == "AUTH") {
    std::vector<std::string>& known = capabilities.authMechanisms;
    for (size_t i = 1; i < keyword.size(); ++i) {
      if (std::find(known.begin(), known.end(), keyword[i]) == known.end()) {
        known.push_back(keyword[i]);
      }
    }
  }
}

}  // namespace zelvaro::net
