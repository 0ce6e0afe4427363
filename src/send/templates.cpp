#include "send/templates.h"

#include <algorithm>
#include <cctype>

#include "core/comma_list.h"
#include "core/text_store.h"
#include "net/mail_address.h"

namespace zelvaro::send {

std::string playerNumberText(int slot) {
  return std::to_string(slot).substr(0, 12);
}

std::string FillTemplate(const std::string& text, const TemplateValues& values) {
  const std::pair<char, std::string> placeholders[] = {
      {'y', std::to_string(values.year)},
      {'g', values.gameName},
      {'p', values.PlayerNumberText.substr(0, 12)},
  };
  std::string result;
  size_t p = 0;
  while (p < text.size()) {
    char ch = text[p++];
    if (ch != '%') {
      result += ch;
      continue;
    }
    bool matched = false;
    for (const auto& [letter, value] : placeholders) {
      if (p < text.size() && std::tolower(static_cast<unsigned char>(text[p])) == letter) {
        result += value;
        ++p;
        matched = true;
      }
    }
    if (!matched) result += '%';
  }
  return result;
}

std::string NormalizeAddressList(const std::string& text) {
  std::string result;
  for (size_t i = 0; i < text.size(); ++i) {
    // A quoted local part keeps its blanks and semicolons: they belong to the address.
    if (const std::optional<size_t> end = net::quotedLocalPartEnd(text, i)) {
      result.append(text, i, *end - i);
      i = *end - 1;
    } else if (text[i] != ' ') {
      result += text[i] == ';' ? ',' : text[i];
    }
  }
  return result;
}

namespace {

bool beginsWithQuotedLocalPart(std::string_view piece) {
  return net::quotedLocalPartEnd(piece, 0).has_value();
}

}  // namespace

std::vector<std::string> recipientsOf(const std::string& normalized) {
  std::vector<std::string> items;
  const std::vector<std::string_view> pieces = net::addressListPieces(normalized);
  for (size_t i = 0; i < pieces.size(); ++i) {
    // A quoted local part is the address's own quoting, not the list's.
    if (beginsWithQuotedLocalPart(pieces[i])) {
      items.emplace_back(pieces[i]);
      continue;
    }
    std::vector<std::string> read = core::CommaList::split(pieces[i]);
    // Two commas in a row give an empty item; a comma at the end gives none.
    if (read.empty() && i + 1 < pieces.size()) read.emplace_back();
    items.insert(items.end(), read.begin(), read.end());
  }
  return items;
}

std::optional<UnmailableAddress> firstUnmailableAddress(const std::string& normalized) {
  // Looked for in the list as written: splitting it into items takes such characters as
  // separators.
  for (std::string_view piece : net::addressListPieces(normalized)) {
    const bool unclean = std::any_of(piece.begin(), piece.end(), [](char c) {
      const auto byte = static_cast<unsigned char>(c);
      return byte <= ' ' || byte == 0x7F;
    });
    if (unclean && !beginsWithQuotedLocalPart(piece)) {
      return UnmailableAddress{std::string(piece),
                               "a blank or a control character may not appear in it"};
    }
  }
  for (const std::string& address : recipientsOf(normalized)) {
    std::string fault;
    if (!address.empty() && !net::parseMailAddress(address, &fault)) {
      return UnmailableAddress{address, fault};
    }
  }
  return std::nullopt;
}

}  // namespace zelvaro::send
