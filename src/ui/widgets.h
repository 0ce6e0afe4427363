#pragma once

// Small controls that the decorative windows share.

#include <QColor>
#include <QDialog>
#include <QLabel>
#include <QWidget>
#include <cstdint>

class QToolButton;

namespace zelvaro::ui {

// A colour given as a blue-green-red value, the way the windows' colour tables are written.
inline QColor colourFromBgr(std::uint32_t bgr) {
  return QColor(int(bgr & 0xff), int((bgr >> 8) & 0xff), int((bgr >> 16) & 0xff));
}

// Sets the text colour of a label (or any widget that paints with WindowText).
void setTextColour(QWidget* widget, const QColor& colour);

// A window that runs FormActivate each time it becomes the active window and FormClose however
// it is closed (OK, Escape, the window manager).
class FormDialog : public QDialog {
  Q_OBJECT

 public:
  using QDialog::QDialog;
  virtual void FormActivate() {}
  virtual void FormClose() {}
  void done(int result) override;

 protected:
  void changeEvent(QEvent* event) override;
};

// A label (text or picture) that reports the mouse: moves (it tracks the mouse), presses,
// releases, and clicks (a release inside after a press inside).
class MouseLabel : public QLabel {
  Q_OBJECT

 public:
  explicit MouseLabel(QWidget* parent = nullptr);

 Q_SIGNALS:
  void moved();
  void pressed();
  void released();
  void clicked();

 protected:
  void mouseMoveEvent(QMouseEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  bool down_ = false;
};

// Two arrow buttons that move a position between 0 and a maximum by one: the up arrow
// towards 0 (earlier text), the down arrow towards the maximum.
class UpDown : public QWidget {
  Q_OBJECT

 public:
  explicit UpDown(QWidget* parent = nullptr);

  int position() const { return position_; }
  void setPosition(int position);
  int maximum() const { return maximum_; }
  void setMaximum(int maximum);
  // What a click on an arrow does: moves by `step` (-1 up, +1 down) within the range and
  // reports the click, moved or not.
  void step(int step);

  QToolButton* upButton() const { return up_; }
  QToolButton* downButton() const { return down_; }

 Q_SIGNALS:
  void pressed();  // a mouse button went down on an arrow
  void clicked();

 private:
  QToolButton* up_;
  QToolButton* down_;
  int position_ = 0;
  int maximum_ = 0;
};

}  // namespace zelvaro::ui
