#include "send/mime_text.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <random>

#include "net/mail_address.h"
#include "net/smtp_text.h"
#include "platform/content_types.h"

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

namespace {

constexpr char kHex[] = "0123456789ABCDEF";
// "=?UTF-8?B?" + "?=": 12 characters around 60 of base64 keeps a word within 75.
constexpr size_t kEncodedWordBytes = 45;

// How many bytes of `text` from `at`, at most `limit`, end on a character's boundary.
size_t wholeCharacters(std::string_view text, size_t at, size_t limit) {
  size_t count = std::min(limit, text.size() - at);
  while (count > 0 && at + count < text.size() &&
         (static_cast<unsigned char>(text[at + count]) & 0xC0) == 0x80) {
    --count;
  }
  return count == 0 ? std::min(limit, text.size() - at) : count;
}

std::string hexByte(unsigned char byte) {
  return {kHex[byte >> 4], kHex[byte & 15]};
}

}  // namespace

bool isAscii(std::string_view text) {
  return std::all_of(text.begin(), text.end(),
                     [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

std::string encodedWords(std::string_view text) {
  if (isAscii(text)) return std::string(text);
  std::string words;
  for (size_t at = 0; at < text.size();) {
    const size_t count = wholeCharacters(text, at, kEncodedWordBytes);
    if (!words.empty()) words += "\r\n ";
    words += "=?UTF-8?B?" +
             net::base64Line(reinterpret_cast<const unsigned char*>(text.data() + at), count) +
             "?=";
    at += count;
  }
  return words;
}

std::string encodedMailbox(std::string_view value) {
  if (value.empty() || value.front() != '"' || isAscii(value)) return std::string(value);
  std::string name;
  size_t at = 1;
  for (; at < value.size() && value[at] != '"'; ++at) {
    if (value[at] == '\\' && at + 1 < value.size()) ++at;
    name += value[at];
  }
  if (at >= value.size()) return std::string(value);
  const std::string_view rest = value.substr(at + 1);
  if (!isAscii(rest)) return std::string(value);  // an address that is not ASCII is the server's
  return encodedWords(name) + std::string(rest);
}

std::string asciiDomains(std::string_view addresses) {
  std::string result;
  const std::vector<std::string_view> pieces = net::addressListPieces(addresses);
  for (std::string_view piece : pieces) {
    if (piece.data() != pieces.front().data()) result += ',';
    const std::optional<net::EnvelopeAddress> address = net::envelopeAddress(piece);
    result += address && !address->needsSmtpUtf8 ? address->text : std::string(piece);
  }
  return result;
}

namespace {

bool isStarsFileName(std::string_view name) {
  const size_t dot = name.rfind('.');
  if (dot == std::string_view::npos) return false;
  std::string suffix(name.substr(dot + 1));
  std::transform(suffix.begin(), suffix.end(), suffix.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  if (suffix == "xy" || suffix == "hst") return true;
  return suffix.size() >= 2 && std::strchr("xmhr", suffix[0]) != nullptr &&
         std::all_of(suffix.begin() + 1, suffix.end(),
                     [](unsigned char c) { return std::isdigit(c) != 0; });
}

}  // namespace

std::string attachmentContentType(const std::string& path) {
  if (isStarsFileName(attachmentFileName(path))) return "application/octet-stream";
  const platform::ContentType type = platform::fileContentType(path);
  return type.charset.empty() ? type.type : type.type + "; charset=" + type.charset;
}

std::string fileNameParameter(std::string_view name, std::string_view fileName) {
  if (isAscii(fileName)) return std::string(name) + "=\"" + quotedParameter(fileName) + "\"";
  static constexpr std::string_view kAttributeChars = "!#$&+-.^_`|~";
  std::string encoded = std::string(name) + "*=UTF-8''";
  for (char c : fileName) {
    const auto byte = static_cast<unsigned char>(c);
    if (std::isalnum(byte) != 0 && byte < 0x80) {
      encoded += c;
    } else if (kAttributeChars.find(c) != std::string_view::npos) {
      encoded += c;
    } else {
      encoded += "%" + hexByte(byte);
    }
  }
  return encoded;
}

std::string messageId(std::string_view returnAddress) {
  std::random_device random;
  std::string unique;
  for (int i = 0; i < 4; ++i) {
    char chunk[9];
    std::snprintf(chunk, sizeof chunk, "%08x", static_cast<unsigned>(random()));
    unique += chunk;
  }
  const size_t at = returnAddress.rfind('@');
  std::string domain =
      at == std::string_view::npos ? "" : net::trimmed(std::string(returnAddress.substr(at + 1)));
  domain.erase(std::remove_if(domain.begin(), domain.end(),
                              [](char c) { return c == '>' || c == '<' || c == ' '; }),
               domain.end());
  if (domain.empty()) domain = "zelvaro.invalid";
  return "<" + unique + "@" + domain + ">";
}

std::string quotedDisplayName(std::string_view name) {
  std::string quoted = "\"";
  for (char c : name) {
    if (c == '"' || c == '\\') quoted += '\\';
    quoted += c;
  }
  return quoted + "\"";
}

}  // namespace zelvaro::send
