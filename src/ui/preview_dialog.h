#pragma once

// What Send would do now, player by player (mail, skip, not mailed and why), and each message
// it would mail as the player would get it: header, text, the attachments' names and sizes.

#include <functional>
#include <string>
#include <vector>

#include "send/send_session.h"
#include "ui/dialog_frames.h"

class QLabel;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;

namespace zelvaro::ui {

class PreviewDialog : public FixedDialog {
  Q_OBJECT

 public:
  explicit PreviewDialog(QWidget* parent = nullptr);

  // The preview session's players, its messages in `folder`; the first message is shown.
  void setPreview(const std::vector<send::PlayerOutcome>& outcomes, const std::string& folder);
  // Shows the message (or the verdict) of the player in the list's row.
  void showPlayer(int row);
  // "#2 Bob: not mailed: orion.m2 is for 2425, ..."
  static std::string verdictLine(const send::PlayerOutcome& outcome);

  void openFolderClick();
  void closeClick();

  // Test hook: what opens the folder (the desktop's file manager).
  std::function<bool(const std::string&)> openFolder;

 private:
  QLabel* folderLabel_;
  QListWidget* players_;
  QPlainTextEdit* message_;
  QLabel* attachments_;
  QLabel* pathLabel_;
  QLineEdit* path_;
  std::vector<send::PlayerOutcome> outcomes_;
  std::string folder_;
};

}  // namespace zelvaro::ui
