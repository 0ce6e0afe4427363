#include "ui/widgets.h"

#include <QMouseEvent>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>
#include <tuple>

namespace zelvaro::ui {

void setTextColour(QWidget* widget, const QColor& colour) {
  QPalette palette = widget->palette();
  palette.setColor(QPalette::WindowText, colour);
  palette.setColor(QPalette::Text, colour);
  widget->setPalette(palette);
}

void FormDialog::done(int result) {
  FormClose();
  QDialog::done(result);
}

void FormDialog::changeEvent(QEvent* event) {
  QDialog::changeEvent(event);
  if (event->type() == QEvent::ActivationChange && isActiveWindow()) FormActivate();
}

MouseLabel::MouseLabel(QWidget* parent) : QLabel(parent) {
  setMouseTracking(true);
}

void MouseLabel::mouseMoveEvent(QMouseEvent* event) {
  Q_EMIT moved();
  QLabel::mouseMoveEvent(event);
}

void MouseLabel::mousePressEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton) {
    down_ = true;
    Q_EMIT pressed();
  }
  event->accept();
}

void MouseLabel::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton || !down_) return;
  down_ = false;
  const bool inside = rect().contains(event->position().toPoint());
  Q_EMIT released();
  if (inside) Q_EMIT clicked();
}

UpDown::UpDown(QWidget* parent)
    : QWidget(parent), up_(new QToolButton(this)), down_(new QToolButton(this)) {
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  for (auto [button, arrow, move] :
       {std::tuple{up_, Qt::UpArrow, -1}, std::tuple{down_, Qt::DownArrow, +1}}) {
    button->setArrowType(arrow);
    button->setAutoRepeat(true);
    button->setFocusPolicy(Qt::NoFocus);
    button->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    layout->addWidget(button);
    connect(button, &QToolButton::pressed, this, &UpDown::pressed);
    connect(button, &QToolButton::clicked, this, [this, move = move] { step(move); });
  }
}

void UpDown::setPosition(int position) {
  position_ = std::clamp(position, 0, maximum_);
}

void UpDown::setMaximum(int maximum) {
  maximum_ = std::max(0, maximum);
  setPosition(position_);
}

void UpDown::step(int step) {
  setPosition(position_ + step);
  Q_EMIT clicked();
}

}  // namespace zelvaro::ui
