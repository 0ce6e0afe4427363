#include "ui/idle_decoration.h"

#include <algorithm>

namespace zelvaro::ui {

const std::array<const char*, IdleDecoration::kInstructions>& IdleDecoration::instructions() {
  static const std::array<const char*, kInstructions> table{
      "LDA #$%", "LDX #$%", "LDY ($%),Y", "STA $%%", "STX $%", "STY $%%,X", "JSR $%%", "JMP ($%%)",
      "BNE $%",  "BEQ $%",  "CMP #$%",    "ADC #$%", "INX",    "DEY",       "RTS",     "SEI"};
  return table;
}

IdleDecoration::IdleDecoration(std::uint32_t seed) : engine_(seed) {}

int IdleDecoration::random(int low, int high) {
  return std::uniform_int_distribution<int>(low, high)(engine_);
}

std::string IdleDecoration::makeLine() {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string line;
  for (const char* c = instructions()[random(0, kInstructions - 1)]; *c != '\0'; ++c) {
    if (*c != '%') {
      line += *c;
      continue;
    }
    int operand = random(0, 255);
    line += kHex[operand / 16];
    line += kHex[operand % 16];
  }
  return line;
}

void IdleDecoration::tick(int areaWidth, int areaHeight, int pictureSize) {
  std::move_backward(lines_.begin(), lines_.end() - 1, lines_.end());
  lines_[0] = makeLine();

  if (pause_ > 0) {
    --pause_;
    return;
  }
  PicturePlacement placement;
  placement.index = random(0, kPictures - 1);
  placement.scale = random(1, kEnlargeOneIn) == 1 ? 2 : 1;
  const int size = pictureSize * placement.scale;
  placement.x = random(0, std::max(0, areaWidth - size));
  placement.y = random(0, std::max(0, areaHeight - size));
  picture_ = placement;
  pause_ = random(1, kLongestPause);
}

void IdleDecoration::reset() {
  lines_.fill({});
  picture_.reset();
  pause_ = 0;
}

}  // namespace zelvaro::ui
