#pragma once

// The about box's ticker: caption lines that fade in from black to a colour, stay, and fade out
// again, one after the other.

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace zelvaro::ui {

// Colours are blue-green-red values; the steps act on each of the three bytes.
struct ColourRamp {
  std::uint32_t fadeInStep;
  std::uint32_t fadeOutStep;
  std::uint32_t target;
};

// Selected by a caption line's leading digit: blue, green, red, grey, yellow.
inline constexpr std::array<ColourRamp, 5> kCaptionRamps = {{
    {0x080000, 0x100000, 0xf00000},
    {0x000800, 0x001000, 0x00f000},
    {0x000008, 0x000010, 0x0000f0},
    {0x080808, 0x101010, 0xf0f0f0},
    {0x000808, 0x001010, 0x00f0f0},
}};

class CaptionTicker {
 public:
  static constexpr int kHoldTicks = 30;

  // Each caption starts with its ramp's digit.
  explicit CaptionTicker(std::vector<std::string> captions);

  // Back to the first caption, in black.
  void restart();
  void tick();

  const std::string& text() const { return text_; }
  std::uint32_t colour() const { return colour_; }
  // The index of the caption shown (or, while idle, of the one shown last).
  std::size_t index() const { return shown_; }

 private:
  enum class Phase { Idle, FadingIn, Holding, FadingOut };

  void show(std::size_t index);

  std::vector<std::string> captions_;
  std::string text_;
  std::uint32_t colour_ = 0;
  ColourRamp ramp_ = kCaptionRamps[0];
  Phase phase_ = Phase::Idle;
  std::size_t shown_ = 0;
  int held_ = 0;
};

}  // namespace zelvaro::ui
