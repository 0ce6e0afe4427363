#pragma once

// The settings dialog's Security group: how to reach and log in to the mail server, the
// password into the keyring, and the two checks ("Check connection", "Send test message")
// with their report.

#include <QGroupBox>
#include <string>

#include "core/settings.h"
#include "ui/settings_group_hooks.h"

class QComboBox;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

namespace zelvaro::ui {

class SecurityGroup : public QGroupBox {
  Q_OBJECT

 public:
  using Hooks = SettingsGroupHooks;

  explicit SecurityGroup(Hooks hooks, QWidget* parent = nullptr);

  void fill(const core::MailAccount& account);
  core::MailAccount entered() const;
  // A password typed in goes to the keyring under "<user>@<host>" and the field empties;
  // returns why it could not be kept, or nothing.
  std::string keepPassword(const std::string& host);

  // The buttons' handlers, public so that tests drive them.
  void checkClick();
  void testMessageClick();
  void caFileBrowseClick();

  QString report() const;

 private:
  void runCheck(bool sendTestMessage);

  Hooks hooks_;
  core::MailAccount kept_;  // as filled in
  QComboBox* security_ = nullptr;
  QComboBox* authType_ = nullptr;
  QLineEdit* user_ = nullptr;
  QLineEdit* password_ = nullptr;
  QLineEdit* passwordCommand_ = nullptr;
  QLineEdit* caFile_ = nullptr;
  QPushButton* check_ = nullptr;
  QPushButton* testMessage_ = nullptr;
  QPlainTextEdit* report_ = nullptr;
};

}  // namespace zelvaro::ui
