#include "send/templates.h"

#include <algorithm>
#include <cctype>

#include "core/comma_list.h"
#include "core/text_store.h"

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
  std::string result = core::RemoveSpaces(text);
  std::replace(result.begin(), result.end(), ';', ',');
  return result;
}

std::vector<std::string> recipientsOf(const std::string& normalized) {
  return core::CommaList::split(normalized);
}

std::optional<std::string> firstUnmailableAddress(const std::string& normalized) {
  // Looked for in the list as written: splitting it into items takes such characters as
  // separators.
  size_t begin = 0;
  for (;;) {
    const size_t end = normalized.find(',', begin);
    const std::string piece = normalized.substr(begin, end - begin);
    const bool unclean = std::any_of(piece.begin(), piece.end(), [](char c) {
      const auto byte = static_cast<unsigned char>(c);
      return byte <= ' ' || byte == 0x7F;
    });
    if (unclean) return piece;
    if (end == std::string::npos) break;
    begin = end + 1;
  }
  for (const std::string& address : recipientsOf(normalized)) {
    if (!address.empty() && address.find('@') == std::string::npos) return address;
  }
  return std::nullopt;
}

}  // namespace zelvaro::send
