#include "ui/split_trackbar.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSlider>

#include "ui/widget_names.h"

namespace zelvaro::ui {

SplitTrackbar::SplitTrackbar(SplitTarget& target, QWidget* parent)
    : FloatingTool(QStringLiteral("Form6"), parent), target_(target) {
  split_ = named<QSlider>("split", this);
  split_->setOrientation(Qt::Horizontal);
  split_->setRange(kMinimum, kMaximum);
  split_->setSingleStep(1);
  split_->setPageStep(1);
  split_->setTickInterval(1);
  split_->setTickPosition(QSlider::TicksBelow);
  split_->setMinimumWidth(200);
  connect(split_, &QSlider::valueChanged, this, &SplitTrackbar::splitChange);

  QPushButton* done = namedButton("Button1", "done", this, &SplitTrackbar::Button1Click);

  auto* layout = new QHBoxLayout(this);
  layout->setContentsMargins(6, 4, 6, 4);
  layout->addWidget(split_);
  layout->addWidget(done);
  setFixedSize(sizeHint());
}

void SplitTrackbar::showEvent(QShowEvent* event) {
  FloatingTool::showEvent(event);
  FormActivate();
}

void SplitTrackbar::changeEvent(QEvent* event) {
  FloatingTool::changeEvent(event);
  if (event->type() == QEvent::ActivationChange && isActiveWindow()) FormActivate();
}

void SplitTrackbar::FormActivate() {
  // Showing the position is not a change: the window is already laid out by it.
  const QSignalBlocker quiet(split_);
  split_->setValue(target_.splitPosition());
}

void SplitTrackbar::splitChange(int position) {
  target_.setSplitPosition(position);
}

void SplitTrackbar::Button1Click() {
  hide();
}

}  // namespace zelvaro::ui
