#pragma once

// Shown while another Zelvaro mails the game that Send would mail: the sentence that says so,
// and Cancel. The window stays alive meanwhile; the session goes on once the other run is done.

#include "ui/dialog_frames.h"

class QLabel;

namespace zelvaro::platform {
class FileLock;
}

namespace zelvaro::ui {

class GameWaitDialog : public FixedDialog {
  Q_OBJECT

 public:
  explicit GameWaitDialog(QWidget* parent = nullptr);

  // Shows `sentence` and waits for the lock, running the event loop; false when the operator
  // cancelled (or the program is ending).
  bool waitFor(platform::FileLock& lock, const std::string& sentence);

  void cancelClick();

 private:
  QLabel* sentence_;
  bool cancelled_ = false;
};

}  // namespace zelvaro::ui
