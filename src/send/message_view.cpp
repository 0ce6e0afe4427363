#include "send/message_view.h"

#include <strings.h>

#include <algorithm>
#include <cctype>

namespace zelvaro::send {

namespace {

using Header = std::vector<std::pair<std::string, std::string>>;

int base64Value(char c) {
  if (c >= 'A' && c <= 'Z') return c - 'A';
  if (c >= 'a' && c <= 'z') return c - 'a' + 26;
  if (c >= '0' && c <= '9') return c - '0' + 52;
  if (c == '+') return 62;
  if (c == '/') return 63;
  return -1;
}

std::string base64Decoded(std::string_view text) {
  std::string bytes;
  unsigned bits = 0;
  int count = 0;
  for (char c : text) {
    const int value = base64Value(c);
    if (value < 0) continue;
    bits = (bits << 6) | static_cast<unsigned>(value);
    count += 6;
    if (count >= 8) {
      count -= 8;
      bytes += static_cast<char>((bits >> count) & 0xFF);
    }
  }
  return bytes;
}

int hexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return c >= 'A' && c <= 'F' ? c - 'A' + 10 : -1;
}

// "%C3%A9" and "=C3=A9" alike.
std::string hexDecoded(std::string_view text, char escape) {
  std::string bytes;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == escape && i + 2 < text.size() && hexValue(text[i + 1]) >= 0 &&
        hexValue(text[i + 2]) >= 0) {
      bytes += static_cast<char>(hexValue(text[i + 1]) * 16 + hexValue(text[i + 2]));
      i += 2;
    } else {
      bytes += text[i];
    }
  }
  return bytes;
}

// RFC 2047 words in base64, as the composer writes them; others stay as they are.
std::string decodedWords(const std::string& value) {
  std::string text;
  size_t at = 0;
  bool lastWasWord = false;
  while (at < value.size()) {
    const size_t begin = value.find("=?", at);
    const size_t marker = begin == std::string::npos ? begin : value.find("?B?", begin);
    const size_t markerLower = begin == std::string::npos ? begin : value.find("?b?", begin);
    const size_t kind = std::min(marker, markerLower);
    const size_t end = kind == std::string::npos ? kind : value.find("?=", kind + 3);
    if (end == std::string::npos) break;
    const std::string between = value.substr(at, begin - at);
    // White space between two encoded words is not part of the text.
    if (!lastWasWord || between.find_first_not_of(" \t") != std::string::npos) text += between;
    text += base64Decoded(std::string_view(value).substr(kind + 3, end - kind - 3));
    at = end + 2;
    lastWasWord = true;
  }
  return text + value.substr(std::min(at, value.size()));
}

// Header lines up to the empty line, unfolded; `at` moves past the empty line.
Header readHeader(const std::vector<std::string>& lines, size_t& at) {
  Header header;
  for (; at < lines.size() && !lines[at].empty(); ++at) {
    const std::string& line = lines[at];
    if ((line[0] == ' ' || line[0] == '\t') && !header.empty()) {
      header.back().second += line;
      continue;
    }
    const size_t colon = line.find(':');
    if (colon == std::string::npos) continue;
    const size_t value = line.find_first_not_of(' ', colon + 1);
    header.emplace_back(line.substr(0, colon),
                        value == std::string::npos ? std::string() : line.substr(value));
  }
  if (at < lines.size()) ++at;
  return header;
}

std::string field(const Header& header, const char* name) {
  for (const auto& [key, value] : header) {
    if (strcasecmp(key.c_str(), name) == 0) return value;
  }
  return {};
}

// The value of parameter `name` in a header value: quoted, plain, or RFC 2231 UTF-8.
std::string parameter(const std::string& value, const std::string& name) {
  for (size_t at = value.find(';'); at != std::string::npos; at = value.find(';', at + 1)) {
    size_t begin = value.find_first_not_of(" \t", at + 1);
    if (begin == std::string::npos) return {};
    const size_t equals = value.find('=', begin);
    if (equals == std::string::npos) return {};
    const std::string key = value.substr(begin, equals - begin);
    const bool extended = strcasecmp(key.c_str(), (name + "*").c_str()) == 0;
    if (!extended && strcasecmp(key.c_str(), name.c_str()) != 0) continue;
    std::string raw = value.substr(equals + 1);
    if (extended) {
      raw = raw.substr(0, raw.find(';'));
      const size_t quote = raw.rfind('\'');
      return hexDecoded(quote == std::string::npos ? raw : raw.substr(quote + 1), '%');
    }
    if (raw.empty() || raw[0] != '"') return raw.substr(0, raw.find(';'));
    std::string text;
    for (size_t i = 1; i < raw.size() && raw[i] != '"'; ++i) {
      if (raw[i] == '\\' && i + 1 < raw.size()) ++i;
      text += raw[i];
    }
    return text;
  }
  return {};
}

// The text lines of a part whose body runs from `begin` to `end`.
std::vector<std::string> textOf(const std::vector<std::string>& lines, size_t begin, size_t end,
                                const Header& header) {
  std::vector<std::string> text(lines.begin() + static_cast<std::ptrdiff_t>(begin),
                                lines.begin() + static_cast<std::ptrdiff_t>(end));
  if (strcasecmp(field(header, "Content-Transfer-Encoding").c_str(), "quoted-printable") != 0) {
    return text;
  }
  std::vector<std::string> decoded;
  std::string line;
  for (const std::string& wire : text) {
    const bool soft = !wire.empty() && wire.back() == '=';
    line += hexDecoded(soft ? wire.substr(0, wire.size() - 1) : wire, '=');
    if (soft) continue;
    decoded.push_back(line);
    line.clear();
  }
  if (!line.empty()) decoded.push_back(line);
  return decoded;
}

void readPart(const std::vector<std::string>& lines, size_t begin, size_t end, MessageView& view) {
  const Header header = readHeader(lines, begin);
  begin = std::min(begin, end);
  // The line break before a delimiter belongs to the delimiter.
  if (end > begin && lines[end - 1].empty()) --end;
  std::string name = parameter(field(header, "Content-Disposition"), "filename");
  if (name.empty()) name = parameter(field(header, "Content-Type"), "name");
  if (name.empty()) {
    if (view.text.empty()) view.text = textOf(lines, begin, end, header);
    return;
  }
  std::uintmax_t size = 0;
  for (size_t i = begin; i < end; ++i) size += base64Decoded(lines[i]).size();
  view.attachments.push_back({name, size});
}

}  // namespace

MessageView readMessageView(const std::vector<std::string>& lines) {
  MessageView view;
  size_t at = 0;
  const Header header = readHeader(lines, at);
  for (const auto& [key, value] : header) view.header.emplace_back(key, decodedWords(value));
  const std::string boundary = parameter(field(header, "Content-Type"), "boundary");
  if (boundary.empty()) {
    view.text = textOf(lines, at, lines.size(), header);
    return view;
  }
  size_t partBegin = 0;  // 0: before the first delimiter
  for (; at < lines.size(); ++at) {
    const std::string& line = lines[at];
    if (line.rfind("--" + boundary, 0) != 0) continue;
    if (partBegin != 0) readPart(lines, partBegin, at, view);
    if (line == "--" + boundary + "--") break;
    partBegin = at + 1;
  }
  return view;
}

}  // namespace zelvaro::send
