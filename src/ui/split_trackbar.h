#pragma once

// The split trackbar: a small floating window with a slider that sets where the main window
// divides its upper part between the templates and the roster (0 to 10). It takes the current
// position whenever it is shown or activated, and hands every change to its owner at once.

#include "ui/dialog_frames.h"

class QSlider;

namespace zelvaro::ui {

class SplitTarget {
 public:
  virtual ~SplitTarget() = default;
  virtual int splitPosition() const = 0;
  // Makes `position` the split position and lays the window out by it.
  virtual void setSplitPosition(int position) = 0;
};

class SplitTrackbar : public FloatingTool {
  Q_OBJECT

 public:
  static constexpr int kMinimum = 0;
  static constexpr int kMaximum = 10;

  explicit SplitTrackbar(SplitTarget& target, QWidget* parent = nullptr);

  // Takes the current split position without handing it back.
  void FormActivate();
  // The slider moved.
  void splitChange(int position);
  // done.
  void Button1Click();

 protected:
  void showEvent(QShowEvent* event) override;
  void changeEvent(QEvent* event) override;

 private:
  SplitTarget& target_;
  QSlider* split_;
};

}  // namespace zelvaro::ui
