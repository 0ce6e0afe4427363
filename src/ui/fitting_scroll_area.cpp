#include "ui/fitting_scroll_area.h"

#include <QApplication>
#include <QEvent>
#include <QScrollBar>

namespace zelvaro::ui {

FittingScrollArea::FittingScrollArea(QWidget* content, QWidget* parent) : QScrollArea(parent) {
  setFrameShape(QFrame::NoFrame);
  setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  // Tab goes to the controls inside, and the area scrolls to the one that has the focus.
  setFocusPolicy(Qt::NoFocus);
  setWidgetResizable(true);
  setWidget(content);
  content->installEventFilter(this);
  // Tab, Shift+Tab round the window and mnemonics alike bring the control in sight, the whole of
  // it: the area's own scrolling would follow Tab only inside it, and show a text field's
  // caret line alone.
  focusFollower_ = connect(qApp, &QApplication::focusChanged, this,
                           [this](QWidget*, QWidget* focused) { showWhole(focused); });
}

// The controls inside lose the focus while QWidget's destructor deletes them, when this
// object is no longer a scroll area: the connection must be gone by then.
FittingScrollArea::~FittingScrollArea() {
  disconnect(focusFollower_);
}

void FittingScrollArea::showWhole(QWidget* focused) {
  if (focused == nullptr || !widget()->isAncestorOf(focused)) return;
  const QRect place(focused->mapTo(widget(), QPoint()), focused->size());
  ensureVisible(place.center().x(), place.center().y(), place.width() / 2 + 1,
                place.height() / 2 + 1);
}

void FittingScrollArea::setHeightLimit(int height) {
  heightLimit_ = height;
  updateGeometry();
}

QSize FittingScrollArea::sizeHint() const {
  const int frame = 2 * frameWidth();
  QSize size = widget()->sizeHint() + QSize(frame, frame);
  if (heightLimit_ > 0 && size.height() > heightLimit_) {
    size.setHeight(heightLimit_);
    // Room for the scroll bar beside the content, which keeps its width.
    size.rwidth() += verticalScrollBar()->sizeHint().width();
  }
  return size;
}

QSize FittingScrollArea::minimumSizeHint() const {
  return sizeHint();
}

bool FittingScrollArea::eventFilter(QObject* watched, QEvent* event) {
  // The content has grown or shrunk: so does the area, and the window around it.
  if (watched == widget() && event->type() == QEvent::LayoutRequest) updateGeometry();
  return QScrollArea::eventFilter(watched, event);
}

}  // namespace zelvaro::ui
