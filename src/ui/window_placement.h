#pragma once

// Where windows open: a dialog centred over the window it belongs to, and every window inside
// the available area of its screen, whatever the scale factor. A saved geometry from a larger
// screen, or a design size that a scale factor makes too big, would otherwise put title bars
// and buttons out of reach.

#include <QObject>
#include <QRect>

class QWidget;

namespace zelvaro::ui {

// `frame` moved, and shrunk where it is larger, to lie inside `area`; a frame that cannot be
// shrunk below `minimum` keeps its top-left corner (its title bar) inside.
QRect fitInside(QRect frame, const QRect& area, const QSize& minimum = {});
// `frame` with its centre on the centre of `over`.
QRect centredOver(QRect frame, const QRect& over);
// `frame` beside `owner` rather than over it: to its right where the area has room, else to its
// left, else on the side with more room, narrowed to it (down to `minimumWidth`), and at worst
// over the owner's edge. Its top is the owner's, `down` pixels lower.
QRect besideFrame(QRect frame, const QRect& owner, const QRect& area, int down = 0,
                  int minimumWidth = 240);
// What the window's frame adds to its client area, the title bar included even before the
// window manager has framed the window.
QSize frameExtent(const QWidget* window);

// Places each top-level window of the application as it is shown. Dialogs without a parent
// window belong to `mainWindow`.
class WindowPlacement : public QObject {
  Q_OBJECT

 public:
  explicit WindowPlacement(QWidget* mainWindow);
  ~WindowPlacement() override;

  // Places `window` now, as when it is shown.
  void place(QWidget* window) const;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  QWidget* mainWindow_;
};

}  // namespace zelvaro::ui
