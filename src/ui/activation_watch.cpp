#include "ui/activation_watch.h"

#include <QApplication>
#include <QEvent>
#include <QFileDialog>
#include <QMessageBox>
#include <QWidget>

namespace zelvaro::ui {

ActivationWatch::ActivationWatch(QWidget* mainWindow) : mainWindow_(mainWindow) {
  qApp->installEventFilter(this);
}

ActivationWatch::~ActivationWatch() {
  qApp->removeEventFilter(this);
}

bool ActivationWatch::countsAsActivation() {
  bool counts = fromOwnWindow_;
  fromOwnWindow_ = false;
  return counts;
}

bool ActivationWatch::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::WindowDeactivate && watched->isWidgetType()) {
    auto* widget = static_cast<QWidget*>(watched);
    if (widget->isWindow()) {
      // The main window leaving: whatever comes next decides; another program leaves nothing.
      fromOwnWindow_ = widget != mainWindow_ && qobject_cast<QMessageBox*>(widget) == nullptr &&
                       qobject_cast<QFileDialog*>(widget) == nullptr;
    }
  }
  return false;
}

}  // namespace zelvaro::ui
