#pragma once

// Tells when the main window's activation counts as "the window became active again": when it
// comes back from another window of the program (a dialog, the about box, the log window). A
// message box or file dialog closing does not count (the empty-database hint would otherwise
// nag forever, each box's closing bringing the next), nor does returning from another program.

#include <QObject>

class QWidget;

namespace zelvaro::ui {

class ActivationWatch : public QObject {
 public:
  explicit ActivationWatch(QWidget* mainWindow);
  ~ActivationWatch() override;

  // Asked when the main window has become active; forgets the window it came from.
  bool countsAsActivation();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  QWidget* mainWindow_;
  // A window of the program other than a box was active just before.
  bool fromOwnWindow_ = false;
};

}  // namespace zelvaro::ui
