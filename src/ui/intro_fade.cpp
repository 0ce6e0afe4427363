#include "ui/intro_fade.h"

#include <algorithm>

namespace zelvaro::ui {

std::uint32_t levelColour(int level) {
  static constexpr std::array<std::uint32_t, kTopLevel + 1> kColours = {
      0x000000, 0x100000, 0x401010, 0x804040, 0xa08080, 0xffa0a0, 0xffffff};
  return kColours[std::clamp(level, 0, kTopLevel)];
}

void IntroFader::reset() {
  lines_ = {};
  startRun(FadeMode::FadingIn);
}

void IntroFader::fadeOut() {
  startRun(FadeMode::FadingOut);
}

bool IntroFader::wakeUp() {
  if (mode_ != FadeMode::FadedOut) return false;
  startRun(FadeMode::FadingIn);
  return true;
}

void IntroFader::startRun(FadeMode mode) {
  mode_ = mode;
  nextLine_ = 1;
}

void IntroFader::tick() {
  for (auto& line : lines_) {
    if (line.direction == 0) continue;
    line.level = std::clamp(line.level + line.direction, 0, kTopLevel);
    if (line.level == 0 || line.level == kTopLevel) line.direction = 0;
  }
  if (mode_ != FadeMode::FadingIn && mode_ != FadeMode::FadingOut) return;
  const bool in = mode_ == FadeMode::FadingIn;
  Line& next = lines_[nextLine_ - 1];
  // A line already at the end it is sent to has nowhere to go.
  if (next.level != (in ? kTopLevel : 0)) next.direction = in ? +1 : -1;
  if (++nextLine_ > kIntroShownLines) mode_ = in ? FadeMode::Shown : FadeMode::FadedOut;
}

}  // namespace zelvaro::ui
