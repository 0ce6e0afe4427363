#pragma once

// The settings dialog's "Orders mailbox" group: where players' orders arrive over IMAP, its
// login (the SMTP one where no user is given), the folders, the password into the keyring, and
// "Check connection" with its report.

#include <QGroupBox>
#include <string>

#include "core/settings.h"
#include "ui/settings_group_hooks.h"

class QComboBox;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

namespace zelvaro::ui {

class OrdersMailboxGroup : public QGroupBox {
  Q_OBJECT

 public:
  using Hooks = SettingsGroupHooks;

  explicit OrdersMailboxGroup(Hooks hooks, QWidget* parent = nullptr);

  void fill(const core::OrdersMailbox& mailbox);
  core::OrdersMailbox entered() const;
  // A password typed in goes to the keyring under "<imapuser>@<imaphost>" and the field
  // empties; it needs a user of the mailbox's own. Returns why it could not be kept, or nothing.
  std::string keepPassword();

  // The button's handler, public so that tests drive it.
  void checkClick();
  QString report() const;

 private:
  Hooks hooks_;
  core::OrdersMailbox kept_;  // as filled in
  QLineEdit* server_ = nullptr;
  QComboBox* security_ = nullptr;
  QLineEdit* user_ = nullptr;
  QLineEdit* password_ = nullptr;
  QLineEdit* passwordCommand_ = nullptr;
  QComboBox* authType_ = nullptr;
  QLineEdit* folder_ = nullptr;
  QLineEdit* doneFolder_ = nullptr;
  QPushButton* check_ = nullptr;
  QPlainTextEdit* report_ = nullptr;
};

}  // namespace zelvaro::ui
