#pragma once

// The first message of a preview as a player would get it (header, text, the attachments'
// names and sizes) and the folder that holds all of them.

#include <functional>
#include <string>

#include "send/message_view.h"
#include "ui/dialog_frames.h"

class QLabel;
class QPlainTextEdit;

namespace zelvaro::ui {

class PreviewDialog : public FixedDialog {
  Q_OBJECT

 public:
  explicit PreviewDialog(QWidget* parent = nullptr);

  // `count` messages were written into `folder`; `first` is the first of them.
  void setMessage(const send::MessageView& first, int count, const std::string& folder);

  void openFolderClick();
  void closeClick();

  // Test hook: what opens the folder (the desktop's file manager).
  std::function<bool(const std::string&)> openFolder;

 private:
  QLabel* folderLabel_;
  QPlainTextEdit* message_;
  QLabel* attachments_;
  std::string folder_;
};

}  // namespace zelvaro::ui
