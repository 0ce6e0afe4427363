#include "ui/caption_ticker.h"

#include <algorithm>
#include <utility>

namespace zelvaro::ui {

namespace {

// Adds (sign +1) or subtracts (-1) `step` byte by byte, each byte stopping at `limit`'s.
std::uint32_t stepTowards(std::uint32_t colour, std::uint32_t step, std::uint32_t limit, int sign) {
  std::uint32_t result = 0;
  for (int shift = 0; shift < 24; shift += 8) {
    int value = static_cast<int>((colour >> shift) & 0xff);
    int delta = static_cast<int>((step >> shift) & 0xff);
    int end = static_cast<int>((limit >> shift) & 0xff);
    value = sign > 0 ? std::min(value + delta, end) : std::max(value - delta, 0);
    result |= static_cast<std::uint32_t>(value) << shift;
  }
  return result;
}

}  // namespace

CaptionTicker::CaptionTicker(std::vector<std::string> captions) : captions_(std::move(captions)) {
  restart();
}

void CaptionTicker::restart() {
  if (captions_.empty()) return;
  show(0);
}

void CaptionTicker::show(std::size_t index) {
  shown_ = index;
  const std::string& caption = captions_[index];
  int digit = caption.empty() ? 0 : caption.front() - '0';
  ramp_ = kCaptionRamps[std::clamp(digit, 0, static_cast<int>(kCaptionRamps.size()) - 1)];
  text_ = caption.empty() ? caption : caption.substr(1);
  colour_ = 0;
  phase_ = Phase::FadingIn;
}

void CaptionTicker::tick() {
  switch (phase_) {
    case Phase::Idle:
      if (!captions_.empty()) show((shown_ + 1) % captions_.size());
      break;
    case Phase::FadingIn:
      colour_ = stepTowards(colour_, ramp_.fadeInStep, ramp_.target, +1);
      if (colour_ == ramp_.target) {
        phase_ = Phase::Holding;
        held_ = 0;
      }
      break;
    case Phase::Holding:
      if (++held_ >= kHoldTicks) phase_ = Phase::FadingOut;
      break;
    case Phase::FadingOut:
      colour_ = stepTowards(colour_, ramp_.fadeOutStep, 0, -1);
      if (colour_ == 0) phase_ = Phase::Idle;
      break;
  }
}

}  // namespace zelvaro::ui
