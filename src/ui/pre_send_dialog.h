#pragma once

// Asked before a send when a player's files are wrong or missing, or his turn went out already:
// each such player with the reason in plain words, and the choice of who is mailed.

#include <optional>
#include <string>
#include <vector>

#include "send/send_session.h"
#include "ui/dialog_frames.h"

class QCheckBox;
class QLabel;

namespace zelvaro::ui {

class PreSendDialog : public FixedDialog {
  Q_OBJECT

 public:
  explicit PreSendDialog(QWidget* parent = nullptr);

  // `problems` and `mailed`: one line per player ("#2 Bob: orion.m2 is for 2425, ..."). The
  // options of the send the operator chose; nothing when he cancels.
  std::optional<send::SendOptions> ask(const std::vector<std::string>& problems,
                                       const std::vector<std::string>& mailed);
  // Fills the lists (ask() does it first).
  void setLists(const std::vector<std::string>& problems, const std::vector<std::string>& mailed);

  void sendAllClick();
  void sendOkClick();
  void cancelClick();

 private:
  QLabel* list_;
  QCheckBox* again_;
  send::SendOptions::Files files_ = send::SendOptions::Files::RefuseAny;
};

}  // namespace zelvaro::ui
