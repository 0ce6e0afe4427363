#include "ui/intro_motion.h"

#include <utility>

namespace zelvaro::ui {

void OverlayCycle::tick() {
  if (!running_) return;
  counter_ += step_;
  if (counter_ == 0 || counter_ == 2) {
    step_ = -step_;
    running_ = false;
  }
}

IdleRemarks::IdleRemarks(std::vector<std::string> remarks, int windowHeight, int labelHeight)
    : remarks_(std::move(remarks)), windowHeight_(windowHeight), labelHeight_(labelHeight) {}

void IdleRemarks::start(int top, std::string text) {
  top_ = top;
  text_ = std::move(text);
  phase_ = Phase::Sinking;
}

void IdleRemarks::tick() {
  switch (phase_) {
    case Phase::Sinking:
      if (top_ < windowHeight_) {
        top_ += kStep;
      } else if (!remarks_.empty()) {
        text_ = remarks_[next_];
        next_ = (next_ + 1) % remarks_.size();
        phase_ = Phase::Rising;
      }
      break;
    case Phase::Rising:
      top_ -= kStep;
      if (top_ <= windowHeight_ - labelHeight_) {
        top_ = windowHeight_ - labelHeight_;
        phase_ = Phase::Staying;
        stayed_ = 0;
      }
      break;
    case Phase::Staying:
      if (++stayed_ >= kStayTicks) phase_ = Phase::Sinking;
      break;
  }
}

}  // namespace zelvaro::ui
