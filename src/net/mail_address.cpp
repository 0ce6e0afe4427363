#include "net/mail_address.h"

#include <algorithm>
#include <cstring>

#include "platform/domain_names.h"

namespace zelvaro::net {

namespace {

bool beyondAscii(unsigned char c) {
  return c >= 0x80;
}

bool isLetterOrDigit(unsigned char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
}

// RFC 5321 atext, with RFC 6531's UTF-8.
bool isAtext(unsigned char c) {
  return isLetterOrDigit(c) || beyondAscii(c) || std::strchr("!#$%&'*+-/=?^_`{|}~", c) != nullptr;
}

// qtextSMTP: printable ASCII but the quote and the backslash, the blank included.
bool isQuotedText(unsigned char c) {
  return (c >= 32 && c <= 126 && c != '"' && c != '\\') || beyondAscii(c);
}

// Valid UTF-8: a byte beyond ASCII is never taken on trust, so no stray byte reaches a command.
bool isUtf8(std::string_view text) {
  size_t i = 0;
  while (i < text.size()) {
    const auto c = static_cast<unsigned char>(text[i]);
    const size_t length = c < 0x80           ? 1
                          : (c >> 5) == 0x6  ? 2
                          : (c >> 4) == 0xE  ? 3
                          : (c >> 3) == 0x1E ? 4
                                             : 0;
    if (length == 0 || i + length > text.size()) return false;
    for (size_t k = 1; k < length; ++k) {
      if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80) return false;
    }
    i += length;
  }
  return true;
}

std::string characterFault(unsigned char c) {
  if (c <= ' ' || c == 0x7F) return "a blank or a control character may not appear in it";
  return std::string("\"") + static_cast<char>(c) + "\" may not appear outside quotes";
}

std::optional<std::string> dotAtomFault(std::string_view local) {
  if (local.empty()) return "nothing before the @";
  if (local.front() == '.' || local.back() == '.' || local.find("..") != std::string_view::npos) {
    return "a dot may not begin or end the part before the @, nor follow another dot";
  }
  for (char c : local) {
    if (c != '.' && !isAtext(static_cast<unsigned char>(c))) {
      return characterFault(static_cast<unsigned char>(c));
    }
  }
  return std::nullopt;
}

std::optional<std::string> domainFault(std::string_view domain) {
  if (domain.empty()) return "nothing after the @";
  if (domain.front() == '[') {
    const bool literal = domain.size() > 2 && domain.back() == ']' &&
                         std::all_of(domain.begin() + 1, domain.end() - 1, [](char c) {
                           const auto byte = static_cast<unsigned char>(c);
                           return byte >= 33 && byte <= 126 && c != '[' && c != ']' && c != '\\';
                         });
    if (!literal) return "the address literal after the @ is not one";
    return std::nullopt;
  }
  size_t begin = 0;
  for (;;) {
    const size_t end = std::min(domain.find('.', begin), domain.size());
    const std::string_view label = domain.substr(begin, end - begin);
    if (label.empty()) return "the domain has an empty part between its dots";
    if (label.front() == '-' || label.back() == '-') {
      return "a part of the domain may not begin or end with \"-\"";
    }
    for (char c : label) {
      const auto byte = static_cast<unsigned char>(c);
      if (!isLetterOrDigit(byte) && !beyondAscii(byte) && c != '-') return characterFault(byte);
    }
    if (end == domain.size()) return std::nullopt;
    begin = end + 1;
  }
}

}  // namespace

std::optional<size_t> quotedLocalPartEnd(std::string_view text, size_t begin) {
  if (begin >= text.size() || text[begin] != '"') return std::nullopt;
  for (size_t i = begin + 1; i < text.size(); ++i) {
    const auto c = static_cast<unsigned char>(text[i]);
    if (c == '\\') {
      if (i + 1 >= text.size() || text[i + 1] < 32 || text[i + 1] > 126) return std::nullopt;
      ++i;
    } else if (c == '"') {
      if (i + 1 < text.size() && text[i + 1] == '@') return i + 1;
      return std::nullopt;
    } else if (!isQuotedText(c)) {
      return std::nullopt;
    }
  }
  return std::nullopt;
}

std::vector<std::string_view> addressListPieces(std::string_view list) {
  std::vector<std::string_view> pieces;
  bool quoted = false;
  size_t begin = 0;
  for (size_t i = 0; i <= list.size(); ++i) {
    if (i < list.size() && list[i] == '"') quoted = !quoted;
    if (i == list.size() || (list[i] == ',' && !quoted)) {
      pieces.push_back(list.substr(begin, i - begin));
      begin = i + 1;
    }
  }
  return pieces;
}

std::optional<MailAddress> parseMailAddress(std::string_view text, std::string* fault) {
  auto refuse = [fault](std::string why) -> std::optional<MailAddress> {
    if (fault) *fault = std::move(why);
    return std::nullopt;
  };
  if (!isUtf8(text)) return refuse("it is not UTF-8 text");
  size_t at = 0;
  if (const std::optional<size_t> end = quotedLocalPartEnd(text, 0)) {
    at = *end;
  } else if (!text.empty() && text.front() == '"') {
    return refuse("the quoted part before the @ is not closed right before the @");
  } else {
    at = text.find('@');
    if (at == std::string_view::npos) return refuse("it has no @");
    if (std::optional<std::string> why = dotAtomFault(text.substr(0, at))) return refuse(*why);
  }
  const std::string_view domain = text.substr(at + 1);
  if (std::optional<std::string> why = domainFault(domain)) return refuse(*why);
  return MailAddress{std::string(text.substr(0, at)), std::string(domain)};
}

std::optional<EnvelopeAddress> envelopeAddress(std::string_view address, std::string* fault) {
  const std::optional<MailAddress> parts = parseMailAddress(address, fault);
  if (!parts) return std::nullopt;
  std::optional<std::string> domain = parts->domain;
  if (parts->domain.front() != '[') domain = platform::asciiDomain(parts->domain);
  if (!domain) {
    if (fault) *fault = "the domain has no ASCII form";
    return std::nullopt;
  }
  const bool utf8 = std::any_of(parts->localPart.begin(), parts->localPart.end(),
                                [](char c) { return beyondAscii(static_cast<unsigned char>(c)); });
  return EnvelopeAddress{parts->localPart + "@" + *domain, utf8};
}

}  // namespace zelvaro::net
