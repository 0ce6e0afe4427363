#pragma once

// The intro screen's two small animations: the two overlay pictures that swap in turn, and the
// bottom caption that sinks out of the window and rises again with an idle remark.

#include <string>
#include <vector>

namespace zelvaro::ui {

// A counter that runs from 0 to 2 and back, one step per tick, a run at a time: at 1 only the
// first stage picture shows, at 2 only the second, at 0 neither.
class OverlayCycle {
 public:
  // Starts a run.
  void start() { running_ = true; }
  // One step; the run stops at either end, and the next run goes the other way.
  void tick();

  bool running() const { return running_; }
  int counter() const { return counter_; }
  bool stageOneShown() const { return counter_ == 1; }  // the smaller overlay (Image3)
  bool stageTwoShown() const { return counter_ == 2; }  // the larger overlay (Image2)

 private:
  int counter_ = 0;
  int step_ = 1;
  bool running_ = false;
};

// The bottom caption while the screen idles: it sinks three pixels a tick until it is below
// the window, takes the next remark, rises until it is wholly inside, stays, and sinks again.
class IdleRemarks {
 public:
  static constexpr int kStep = 3;
  static constexpr int kStayTicks = 50;

  IdleRemarks(std::vector<std::string> remarks, int windowHeight, int labelHeight);

  // Where the caption is when the remarks begin, and what it says there.
  void start(int top, std::string text);
  void tick();

  int top() const { return top_; }
  const std::string& text() const { return text_; }

 private:
  enum class Phase { Sinking, Rising, Staying };

  std::vector<std::string> remarks_;
  int windowHeight_;
  int labelHeight_;
  int top_ = 0;
  std::string text_;
  Phase phase_ = Phase::Sinking;
  std::size_t next_ = 0;
  int stayed_ = 0;
};

}  // namespace zelvaro::ui
