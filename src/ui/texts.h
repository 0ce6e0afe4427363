#pragma once

// The program's built-in texts, kept as UTF-8 resources inside the binary.

#include <string>
#include <vector>

namespace zelvaro::ui {

// The instructions of the intro screen, one entry per line.
std::vector<std::string> introLines();
// What the intro screen's bottom caption says after five idle minutes.
std::vector<std::string> idleRemarks();
// The about box's ticker lines, each starting with its colour ramp's digit.
std::vector<std::string> aboutCaptions();
// The about box's text.
std::string aboutText();
// The manual: the README, in Markdown.
std::string manualText();

}  // namespace zelvaro::ui
