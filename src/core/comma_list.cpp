#include "core/comma_list.h"

namespace zelvaro::core {

namespace {

bool isBlank(char c) {
  auto code = static_cast<unsigned char>(c);
  return code >= 1 && code <= 32;
}

}  // namespace

std::string CommaList::join(const std::vector<std::string>& items) {
  std::string text;
  for (size_t i = 0; i < items.size(); ++i) {
    if (i > 0) text += ',';
    text += '"';
    for (char c : items[i]) {
      if (c == '"') text += '"';
      text += c;
    }
    text += '"';
  }
  return text;
}

std::vector<std::string> CommaList::split(std::string_view text) {
  // A NUL ends the text: it is neither a blank nor part of an unquoted item, and reading
  // past it would add empty items for ever.
  text = text.substr(0, text.find('\0'));
  std::vector<std::string> items;
  size_t p = 0;
  auto skipBlanks = [&] {
    while (p < text.size() && isBlank(text[p])) ++p;
  };
  skipBlanks();
  while (p < text.size()) {
    std::string item;
    if (text[p] == '"') {
      ++p;
      while (p < text.size()) {
        if (text[p] == '"') {
          if (p + 1 < text.size() && text[p + 1] == '"') {
            item += '"';
            p += 2;
            continue;
          }
          ++p;
          break;
        }
        item += text[p++];
      }
    } else {
      while (p < text.size() && !isBlank(text[p]) && text[p] != ',') item += text[p++];
    }
    items.push_back(std::move(item));
    skipBlanks();
    if (p < text.size() && text[p] == ',') {
      ++p;
      skipBlanks();
    }
  }
  return items;
}

}  // namespace zelvaro::core
