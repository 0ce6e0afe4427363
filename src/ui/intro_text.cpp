#include "ui/intro_text.h"

#include <algorithm>
#include <utility>

namespace zelvaro::ui {

namespace {

const std::string kCurrencySign = "\xC2\xA4";  // U+00A4 in UTF-8

// Cuts after `count` characters of UTF-8 text (continuation bytes are 10xxxxxx).
std::string firstChars(const std::string& text, std::size_t count) {
  std::size_t chars = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if ((static_cast<unsigned char>(text[i]) & 0xC0) != 0x80) {
      if (chars == count) return text.substr(0, i);
      ++chars;
    }
  }
  return text;
}

std::string withAlias(std::string line, const std::string& alias) {
  const std::string marker = kAliasMarker;
  auto at = line.find(marker);
  if (at != std::string::npos) line.replace(at, marker.size(), alias);
  return line;
}

}  // namespace

ShownLine styleLine(const std::string& line) {
  ShownLine shown;
  std::string body = line;
  if (line.starts_with('#')) {
    shown.style = LineStyle::Heading;
    body = line.substr(1);
  } else if (line.starts_with(kCurrencySign)) {
    shown.style = LineStyle::SubHeading;
    body = line.substr(kCurrencySign.size());
  }
  shown.text = firstChars(body, kIntroMaxLineChars);
  return shown;
}

IntroText::IntroText(std::vector<std::string> lines) : template_(std::move(lines)) {
  // Until the main window says otherwise, the alias is the one a new settings file holds.
  prepare("", "yournamehere");
  if (!template_.empty()) lines_.front() = template_.front();
}

void IntroText::prepare(const std::string& version, const std::string& alias) {
  lines_.clear();
  for (const auto& line : template_) lines_.push_back(withAlias(line, alias));
  if (!lines_.empty()) lines_.front() = "#Zelvaro V" + version;
}

int IntroText::maxPosition() const {
  return std::max(0, lineCount() - kIntroShownLines);
}

std::array<ShownLine, kIntroShownLines> IntroText::page(int position) const {
  position = std::clamp(position, 0, maxPosition());
  std::array<ShownLine, kIntroShownLines> shown;
  for (int i = 0; i < kIntroShownLines && position + i < lineCount(); ++i) {
    shown[i] = styleLine(lines_[position + i]);
  }
  return shown;
}

}  // namespace zelvaro::ui
