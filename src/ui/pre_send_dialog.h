#pragma once

// Asked before a send when a player's files are wrong or missing, his turn went out already,
// or a file to attach lies outside the game's folders: each such player with the reason in
// plain words, and the choice of who is mailed. Enter never mails a wrong file: it sends only
// the players whose files are right, or, when there are none, cancels.

#include <optional>
#include <string>
#include <vector>

#include "send/send_session.h"
#include "ui/dialog_frames.h"

class QCheckBox;
class QLabel;
class QPushButton;

namespace zelvaro::ui {

// One line per player in each list ("#2 Bob: orion.m2 is for 2425, ...").
struct PreSendLists {
  std::vector<std::string> problems;
  std::vector<std::string> mailed;
  std::vector<std::string> outside;  // "#2 Bob: /home/old/diary.txt"
  int ready = 0;                     // players to mail whose files are all right
};

class PreSendDialog : public FixedDialog {
  Q_OBJECT

 public:
  explicit PreSendDialog(QWidget* parent = nullptr);

  // The options of the send the operator chose; nothing when he cancels.
  std::optional<send::SendOptions> ask(const PreSendLists& lists);
  // Fills the lists and picks the default button (ask() does it first).
  void setLists(const PreSendLists& lists);

  void sendAllClick();
  void sendOkClick();
  void cancelClick();

 private:
  QLabel* list_;
  QCheckBox* again_;
  QPushButton* sendAll_;
  QPushButton* sendOk_;
  QPushButton* cancel_;
  send::SendOptions::Files files_ = send::SendOptions::Files::RefuseAny;
};

}  // namespace zelvaro::ui
