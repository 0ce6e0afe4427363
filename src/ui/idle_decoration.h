#pragma once

// The settings dialog's idle show: once the operator has left the dialog open long enough, a
// column of made-up 6502 assembler scrolls up and little pictures pop up here and there. Only
// the state lives here; the dialog puts it on screen.

#include <array>
#include <cstdint>
#include <optional>
#include <random>
#include <string>

namespace zelvaro::ui {

// Where a picture shows: which one, its top-left corner and its magnification.
struct PicturePlacement {
  int index = 0;  // 0 to IdleDecoration::kPictures - 1
  int x = 0;
  int y = 0;
  int scale = 1;  // 1, or 2 when enlarged
  bool operator==(const PicturePlacement&) const = default;
};

class IdleDecoration {
 public:
  static constexpr int kStartDelayMs = 70000;  // idle time before the show starts
  static constexpr int kTickMs = 100;
  static constexpr int kLines = 4;
  static constexpr int kPictures = 8;
  static constexpr int kInstructions = 16;
  static constexpr int kLongestPause = 8;  // longest pause, in ticks, before the next picture
  static constexpr int kEnlargeOneIn = 5;  // how often a picture shows at twice its size

  // The instruction texts; each "%" stands for one two-digit hexadecimal operand.
  static const std::array<const char*, kInstructions>& instructions();

  explicit IdleDecoration(std::uint32_t seed = std::random_device{}());

  // One instruction of the table, its operands filled in at random.
  std::string makeLine();

  // Scrolls the lines up one place, with a new line at the bottom, and, unless the current
  // picture's pause is still running, puts a picture at a random place where it fits in an
  // area of that size (pictures are pictureSize pixels square before enlarging).
  void tick(int areaWidth, int areaHeight, int pictureSize);

  // lines()[0] is the newest (the bottom line), lines()[kLines - 1] the oldest.
  const std::array<std::string, kLines>& lines() const { return lines_; }
  const std::optional<PicturePlacement>& picture() const { return picture_; }
  // Back to nothing shown.
  void reset();

 private:
  int random(int low, int high);  // inclusive

  std::mt19937 engine_;
  std::array<std::string, kLines> lines_;
  std::optional<PicturePlacement> picture_;
  int pause_ = 0;  // ticks until the picture moves
};

}  // namespace zelvaro::ui
