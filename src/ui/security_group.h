#pragma once

// The settings dialog's Security group: how to reach and log in to the mail server, the
// password into the keyring (or, without one, into memory for this run), and the two checks
// ("Check connection", "Send test message") with their verdict and report.

#include <QGroupBox>
#include <functional>
#include <optional>
#include <string>

#include "core/settings.h"
#include "ui/settings_group_hooks.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace zelvaro::ui {

class GrowingTextView;

// What became of a typed password.
struct PasswordKeeping {
  bool refused = false;  // not kept: `note` says what the operator must do
  std::string note;      // one line worth telling; empty when there is nothing to say
};

class SecurityGroup : public QGroupBox {
  Q_OBJECT

 public:
  using Hooks = SettingsGroupHooks;

  explicit SecurityGroup(Hooks hooks, QWidget* parent = nullptr);

  void fill(const core::MailAccount& account);
  core::MailAccount entered() const;
  // A password typed in goes to the keyring under "<user>@<host>", or into memory for this run
  // when the keyring cannot keep it, and the field empties. Without a user it is refused.
  PasswordKeeping keepPassword(const std::string& host);

  // The buttons' handlers, public so that tests drive them.
  void checkClick();
  void testMessageClick();
  void cancelClick();
  void caFileBrowseClick();

  // A check is waiting for the server.
  bool checking() const { return checking_; }
  QString verdict() const;
  QString report() const;

 Q_SIGNALS:
  // A check's verdict and report are shown: the window may have to grow.
  void checkShown();

 private:
  void runCheck(bool sendTestMessage);
  // Green when passed, red when not, the window's colour while there is none yet.
  void showVerdict(const QString& text, std::optional<bool> passed);
  void showPasswordPlace();

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
  QPushButton* cancel_ = nullptr;
  QLabel* verdict_ = nullptr;
  GrowingTextView* report_ = nullptr;
  bool checking_ = false;
  bool cancelled_ = false;
};

}  // namespace zelvaro::ui
