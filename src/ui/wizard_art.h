#pragma once

// The wizard's own pictures: the wizard himself and the shapes of his speech bubble.

#include <QPixmap>
#include <QWidget>

namespace zelvaro::ui {

// The wizard: pointed hat with stars, long beard, robe and a staff with a glowing tip.
QPixmap wizardPicture();

// A white ellipse with a dark edge filling the widget: the bubble and its trail of circles.
class BubbleShape : public QWidget {
  Q_OBJECT

 public:
  using QWidget::QWidget;

 protected:
  void paintEvent(QPaintEvent* event) override;
};

}  // namespace zelvaro::ui
