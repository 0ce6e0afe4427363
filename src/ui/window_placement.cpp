#include "ui/window_placement.h"

#include <QApplication>
#include <QEvent>
#include <QScreen>
#include <QStyle>
#include <QWidget>
#include <algorithm>

namespace zelvaro::ui {

QRect fitInside(QRect frame, const QRect& area, const QSize& minimum) {
  frame.setWidth(std::max(std::min(frame.width(), area.width()), minimum.width()));
  frame.setHeight(std::max(std::min(frame.height(), area.height()), minimum.height()));
  frame.moveLeft(std::max(std::min(frame.left(), area.right() - frame.width() + 1), area.left()));
  frame.moveTop(std::max(std::min(frame.top(), area.bottom() - frame.height() + 1), area.top()));
  return frame;
}

QRect centredOver(QRect frame, const QRect& over) {
  frame.moveCenter(over.center());
  return frame;
}

QRect besideFrame(QRect frame, const QRect& owner, const QRect& area, int down, int minimumWidth) {
  frame.moveTop(owner.top() + down);
  const int roomRight = area.right() - owner.right();
  const int roomLeft = owner.left() - area.left();
  const bool right = roomRight >= frame.width() || roomRight >= roomLeft;
  const int room = right ? roomRight : roomLeft;
  if (room < frame.width()) frame.setWidth(std::max(room, minimumWidth));
  if (right) {
    frame.moveLeft(owner.right() + 1);
  } else {
    frame.moveRight(owner.left() - 1);
  }
  return fitInside(frame, area);
}

namespace {

// Before the window manager has framed a window, its frame is its client area: the title bar
// it will get is kept on the screen all the same.
int titleBarRoom(const QWidget* window) {
  if (window->windowFlags() & Qt::FramelessWindowHint) return 0;
  if (window->frameGeometry() != window->geometry()) return 0;
  return window->style()->pixelMetric(QStyle::PM_TitleBarHeight, nullptr, window);
}

bool isDialog(const QWidget* window) {
  const Qt::WindowType type = window->windowType();
  return type == Qt::Dialog || type == Qt::Sheet;
}

QScreen* screenFor(const QWidget* window, const QRect& frame) {
  if (QScreen* at = QGuiApplication::screenAt(frame.center())) return at;
  if (window->screen() != nullptr) return window->screen();
  return QGuiApplication::primaryScreen();
}

}  // namespace

QSize frameExtent(const QWidget* window) {
  return window->frameGeometry().size() - window->size() + QSize(0, titleBarRoom(window));
}

WindowPlacement::WindowPlacement(QWidget* mainWindow) : mainWindow_(mainWindow) {
  qApp->installEventFilter(this);
}

WindowPlacement::~WindowPlacement() {
  qApp->removeEventFilter(this);
}

bool WindowPlacement::eventFilter(QObject* watched, QEvent* event) {
  // Popups (menus, lists, hints) place themselves by the control they belong to.
  if (event->type() == QEvent::Show && watched->isWidgetType()) {
    auto* widget = static_cast<QWidget*>(watched);
    if (widget->isWindow() && widget->windowType() != Qt::Popup &&
        widget->windowType() != Qt::ToolTip) {
      place(widget);
    }
  }
  return QObject::eventFilter(watched, event);
}

void WindowPlacement::place(QWidget* window) const {
  QRect frame = window->frameGeometry();
  const int titleBar = titleBarRoom(window);
  frame.setTop(frame.top() - titleBar);
  if (isDialog(window)) {
    QWidget* owner =
        window->parentWidget() != nullptr ? window->parentWidget()->window() : mainWindow_;
    if (owner != nullptr && owner != window && owner->isVisible()) {
      frame = centredOver(frame, owner->frameGeometry());
    } else if (QScreen* screen = screenFor(window, frame)) {
      frame = centredOver(frame, screen->availableGeometry());
    }
  }
  QScreen* screen = screenFor(window, frame);
  if (screen == nullptr) return;
  const QSize border = frameExtent(window);
  const QRect fitted =
      fitInside(frame, screen->availableGeometry(), window->minimumSize() + border);
  // A window's position is its frame's; its size is the client area's.
  window->move(fitted.topLeft() + QPoint(0, titleBar));
  if (fitted.size() != frame.size()) window->resize(fitted.size() - border);
}

}  // namespace zelvaro::ui
