#pragma once

// The fading of the intro screen's eight display lines: each line has a brightness level that
// a fast timer steps towards white or black, the lines starting one after the other.

#include <array>
#include <cstdint>

#include "ui/intro_text.h"

namespace zelvaro::ui {

enum class FadeMode { FadingIn = 1, Shown = 2, FadingOut = 3, FadedOut = 4 };

inline constexpr int kTopLevel = 6;

// The colour of a level as a blue-green-red value: black, through blue, to white.
std::uint32_t levelColour(int level);

class IntroFader {
 public:
  struct Line {
    int level = 0;
    int direction = 0;
  };

  IntroFader() { reset(); }

  // Every line dark and still; the lines then fade in from the first.
  void reset();
  // The lines fade out from the first (the operator has left the screen alone).
  void fadeOut();
  // After a fade-out, the lines fade in again from the first; otherwise nothing happens.
  // Returns whether it started the fade-in.
  bool wakeUp();
  // One step of the fade timer.
  void tick();

  FadeMode mode() const { return mode_; }
  const Line& line(int index) const { return lines_[index]; }
  // Level 0 hides a line.
  bool visible(int index) const { return lines_[index].level > 0; }

 private:
  void startRun(FadeMode mode);

  std::array<Line, kIntroShownLines> lines_{};
  FadeMode mode_ = FadeMode::FadingIn;
  int nextLine_ = 1;  // 1 to 8: the line that gets its direction on the next tick
};

}  // namespace zelvaro::ui
