#pragma once

// The intro screen's instruction text, shown eight lines at a time.

#include <array>
#include <string>
#include <vector>

namespace zelvaro::ui {

enum class LineStyle { Plain, Heading, SubHeading };

struct ShownLine {
  std::string text;
  LineStyle style = LineStyle::Plain;
  bool operator==(const ShownLine&) const = default;
};

inline constexpr int kIntroShownLines = 8;
// Characters, not bytes: a line of accented letters gets as much room as one of plain ones.
inline constexpr std::size_t kIntroMaxLineChars = 64;
// The line of the text that names the default alias holds this marker.
inline constexpr const char* kAliasMarker = "<defalias>";

// A line starting with "#" is a heading, one starting with the currency sign a sub-heading;
// the mark itself is not shown, and neither is anything past the 64th character.
ShownLine styleLine(const std::string& line);

class IntroText {
 public:
  // The lines as written, with the alias marker in one of them.
  explicit IntroText(std::vector<std::string> lines);

  // The first line becomes the program's name and version; the alias line names `alias`.
  void prepare(const std::string& version, const std::string& alias);

  const std::vector<std::string>& lines() const { return lines_; }
  int lineCount() const { return static_cast<int>(lines_.size()); }
  // The last position that still fills all eight display lines.
  int maxPosition() const;
  // Eight display lines from `position` on (clamped); blank past the end of a short text.
  std::array<ShownLine, kIntroShownLines> page(int position) const;

 private:
  std::vector<std::string> template_;
  std::vector<std::string> lines_;
};

}  // namespace zelvaro::ui
