#include "net/smtp_text.h"

#include <algorithm>

#include "net/smtp_limits.h"

namespace zelvaro::net {

namespace {

using smtp_limits::kHeaderFoldWidth;
using smtp_limits::kHeaderLineMax;
using smtp_limits::kQuotedPrintableWidth;

bool isBlank(char c) {
  return c == ' ' || c == '\t';
}

bool hasText(std::string_view s) {
  for (char c : s) {
    if (!isBlank(c)) return true;
  }
  return false;
}

// Where a line may be broken: before a blank (the blank starts the next line) or after a comma
// that no blank follows (a space is added in front of the next line). Both sides must keep
// some text, or the folded lines would not be valid.
struct Break {
  size_t at = 0;
  bool addSpace = false;
};

bool breakAt(std::string_view line, size_t i, Break& found) {
  if (i == 0 || i >= line.size()) return false;
  if (isBlank(line[i]) && hasText(line.substr(0, i)) && hasText(line.substr(i))) {
    found = {i, false};
    return true;
  }
  if (line[i - 1] == ',' && !isBlank(line[i]) && hasText(line.substr(0, i))) {
    found = {i, true};
    return true;
  }
  return false;
}

// The break that keeps the line within the preferred width, else the first one after it that
// keeps it within the limit; none before `first`. `prefix` characters already stand in front of
// `line`.
bool findBreak(std::string_view line, size_t prefix, size_t first, Break& found) {
  const size_t width = kHeaderFoldWidth > prefix ? kHeaderFoldWidth - prefix : 1;
  for (size_t i = std::min(width, line.size() - 1); i >= first && i > 0; --i) {
    if (breakAt(line, i, found)) return true;
  }
  const size_t limit = kHeaderLineMax - prefix;
  for (size_t i = std::max(width + 1, first); i < line.size() && i <= limit; ++i) {
    if (breakAt(line, i, found)) return true;
  }
  return false;
}

void foldPhysicalLine(std::string_view line, std::string& out) {
  if (line.size() <= static_cast<size_t>(kHeaderLineMax)) {
    out += line;
    return;
  }
  // Not right after the field name: a first line of "To:" alone helps nobody.
  const size_t colon = line.find(':');
  size_t first = colon == std::string_view::npos ? 1 : colon + 2;
  size_t prefix = 0;
  while (prefix + line.size() > static_cast<size_t>(kHeaderFoldWidth)) {
    Break found;
    if (!findBreak(line, prefix, first, found)) {
      if (prefix + line.size() <= static_cast<size_t>(kHeaderLineMax)) break;
      // No blank and no comma anywhere near: break the text itself rather than lose any of it.
      found = {kHeaderLineMax - prefix, true};
      while (found.at > 1 && (static_cast<unsigned char>(line[found.at]) & 0xC0) == 0x80) {
        --found.at;  // keep a UTF-8 character whole
      }
    }
    out += line.substr(0, found.at);
    out += found.addSpace ? "\r\n " : "\r\n";
    prefix = found.addSpace ? 1 : 0;
    first = 1;
    line.remove_prefix(found.at);
  }
  out += line;
}

}  // namespace

std::string singleLine(std::string_view value) {
  std::string clean(value);
  for (char& c : clean) {
    if (c == '\r' || c == '\n') c = ' ';
  }
  return clean;
}

std::string printableText(std::string_view text) {
  std::string printable;
  for (char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte >= 0x20 && byte != 0x7F) {
      printable += c;
      continue;
    }
    static constexpr char kHex[] = "0123456789ABCDEF";
    printable += {'\\', 'x', kHex[byte >> 4], kHex[byte & 15]};
  }
  return printable;
}

std::string trimmed(std::string_view text) {
  size_t begin = 0, end = text.size();
  while (begin < end && static_cast<unsigned char>(text[begin]) <= ' ') ++begin;
  while (end > begin && static_cast<unsigned char>(text[end - 1]) <= ' ') --end;
  return std::string(text.substr(begin, end - begin));
}

std::string foldHeaderLine(std::string_view text) {
  std::string out;
  out.reserve(text.size() + text.size() / kHeaderFoldWidth * 3 + 3);
  for (;;) {
    const size_t end = text.find("\r\n");
    foldPhysicalLine(text.substr(0, end), out);
    if (end == std::string_view::npos) break;
    out += "\r\n";
    text.remove_prefix(end + 2);
  }
  return out;
}

std::vector<std::string> quotedPrintableLines(std::string_view line) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::vector<std::string> lines;
  std::string current;
  for (size_t i = 0; i < line.size(); ++i) {
    const auto byte = static_cast<unsigned char>(line[i]);
    const bool blank = byte == ' ' || byte == '\t';
    const bool literal =
        (byte >= 33 && byte <= 126 && byte != '=') || (blank && i + 1 < line.size());
    const size_t width = literal ? 1 : 3;
    // The soft break's "=" takes the last column.
    if (current.size() + width > kQuotedPrintableWidth - 1) {
      lines.push_back(current + "=");
      current.clear();
    }
    if (literal) {
      current += line[i];
    } else {
      current += {'=', kHex[byte >> 4], kHex[byte & 15]};
    }
  }
  lines.push_back(std::move(current));
  return lines;
}

std::vector<std::string_view> splitBodyLine(std::string_view line) {
  std::vector<std::string_view> pieces;
  size_t start = 0;
  for (size_t i = 0; i < line.size(); ++i) {
    if (line[i] != '\r' && line[i] != '\n') continue;
    pieces.push_back(line.substr(start, i - start));
    if (line[i] == '\r' && i + 1 < line.size() && line[i + 1] == '\n') ++i;
    start = i + 1;
  }
  pieces.push_back(line.substr(start));
  return pieces;
}

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

std::string base64Line(std::string_view text) {
  return base64Line(reinterpret_cast<const unsigned char*>(text.data()), text.size());
}

}  // namespace zelvaro::net
