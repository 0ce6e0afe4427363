#include "ui/security_group.h"

#include <QApplication>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <utility>

#include "platform/eventloop.h"
#include "platform/keyring.h"
#include "platform/messages.h"
#include "send/connection_check.h"
#include "send/credentials.h"
#include "ui/widget_names.h"
#include "ui/word_choice.h"

namespace zelvaro::ui {

namespace {

// The file's words, in the order the choices show them.
const char* const kSecurityWords[] = {"none", "starttls", "tls"};
const char* const kSecurityCaptions[] = {"None", "STARTTLS (port 587)", "TLS (port 465)"};
const char* const kAuthWords[] = {"auto", "plain", "login", "xoauth2"};
const char* const kAuthCaptions[] = {"Auto", "PLAIN", "LOGIN", "XOAUTH2"};

}  // namespace

SecurityGroup::SecurityGroup(Hooks hooks, QWidget* parent)
    : QGroupBox(parent), hooks_(std::move(hooks)) {
  setObjectName(QStringLiteral("GroupBoxSecurity"));
  setTitle(QStringLiteral("Security"));
  if (!hooks_.storePassword) hooks_.storePassword = platform::storeKeyringSecret;
  auto* grid = new QGridLayout(this);

  security_ = choiceBox("SecurityChoice", this, kSecurityCaptions, 3);
  security_->setToolTip(
      QStringLiteral("STARTTLS or TLS for every provider; None only for a server of your own"));
  authType_ = choiceBox("AuthChoice", this, kAuthCaptions, 4);
  authType_->setToolTip(QStringLiteral(
      "Auto takes PLAIN, else LOGIN; XOAUTH2 for Outlook.com and Microsoft 365, with a password "
      "command that prints an access token"));
  user_ = named<QLineEdit>("UserEdit", this);
  user_->setPlaceholderText(QStringLiteral("empty: no login"));
  password_ = named<QLineEdit>("PasswordEdit", this);
  password_->setEchoMode(QLineEdit::Password);
  password_->setPlaceholderText(QStringLiteral("kept in the keyring"));
  passwordCommand_ = named<QLineEdit>("PasswordCommandEdit", this);
  passwordCommand_->setPlaceholderText(
      QStringLiteral("instead of the keyring, e.g. pass show smtp"));
  caFile_ = named<QLineEdit>("CaFileEdit", this);
  caFile_->setPlaceholderText(QStringLiteral("only for a server with its own CA"));
  auto* browse =
      namedClickOnlyButton("CaFileButton", "...", this, &SecurityGroup::caFileBrowseClick);
  makeBrowseWidth(browse);
  check_ =
      namedClickOnlyButton("CheckButton", "Check connection", this, &SecurityGroup::checkClick);
  testMessage_ = namedClickOnlyButton("TestMessageButton", "Send test message", this,
                                      &SecurityGroup::testMessageClick);
  report_ = named<QPlainTextEdit>("CheckReport", this);
  report_->setReadOnly(true);
  report_->setFixedHeight(report_->fontMetrics().lineSpacing() * 7 + 12);
  report_->setPlaceholderText(QStringLiteral("What the check finds shows here."));

  int row = 0;
  auto addRow = [&](const char* name, const char* caption, QWidget* field) {
    grid->addWidget(named<QLabel>(name, this, caption), row, 0);
    grid->addWidget(field, row++, 1, 1, 2);
  };
  addRow("SecurityLabel", "Security", security_);
  addRow("UserLabel", "User", user_);
  addRow("PasswordLabel", "Password", password_);
  addRow("PasswordCommandLabel", "Password command", passwordCommand_);
  addRow("AuthLabel", "Auth", authType_);
  grid->addWidget(named<QLabel>("CaFileLabel", this, "CA file"), row, 0);
  grid->addWidget(caFile_, row, 1);
  grid->addWidget(browse, row++, 2);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(check_);
  buttons->addWidget(testMessage_);
  grid->addLayout(buttons, row++, 0, 1, 3);
  grid->addWidget(report_, row, 0, 1, 3);
}

void SecurityGroup::fill(const core::MailAccount& account) {
  selectWord(security_, kSecurityWords, 3, account.security);
  selectWord(authType_, kAuthWords, 4, account.auth);
  kept_ = account;
  user_->setText(QString::fromStdString(account.user));
  password_->clear();
  passwordCommand_->setText(QString::fromStdString(account.passwordCommand));
  caFile_->setText(QString::fromStdString(account.caFile));
}

core::MailAccount SecurityGroup::entered() const {
  core::MailAccount account;
  // A word the choices do not know stays as written until another is chosen: the mailing
  // then refuses it, where showing the first choice would quietly mean plain text.
  const std::string security = kSecurityWords[std::max(0, security_->currentIndex())];
  account.security =
      !core::securityFromText(kept_.security) && security == "none" ? kept_.security : security;
  const std::string auth = kAuthWords[std::max(0, authType_->currentIndex())];
  account.auth = !core::authFromText(kept_.auth) && auth == "auto" ? kept_.auth : auth;
  account.user = enteredText(user_);
  account.passwordCommand = enteredText(passwordCommand_);
  account.caFile = enteredText(caFile_);
  return account;
}

std::string SecurityGroup::keepPassword(const std::string& host) {
  const std::string secret = password_->text().toStdString();
  if (secret.empty() || enteredText(user_).empty()) return "";
  std::string problem = hooks_.storePassword(send::keyringKey(enteredText(user_), host), secret);
  if (problem.empty()) password_->clear();
  return problem.empty() ? "" : "The password could not be kept in the keyring: " + problem;
}

void SecurityGroup::checkClick() {
  runCheck(false);
}

void SecurityGroup::testMessageClick() {
  runCheck(true);
}

void SecurityGroup::runCheck(bool sendTestMessage) {
  const core::Settings settings =
      hooks_.enteredSettings ? hooks_.enteredSettings() : core::Settings{};
  report_->clear();
  if (std::string problem = keepPassword(settings.serverAddress().host); !problem.empty()) {
    report_->setPlainText(QString::fromStdString(problem));
    return;
  }
  check_->setEnabled(false);
  testMessage_->setEnabled(false);
  report_->setPlainText(QStringLiteral("Checking..."));
  send::CheckOptions options;
  options.sendTestMessage = sendTestMessage;
  options.onTrace = hooks_.onTrace;
  options.whileWaiting = [] { platform::processMessages(); };
  const send::CheckReport result = send::checkConnection(settings, options);
  QStringList lines;
  for (const std::string& line : result.lines) lines << QString::fromStdString(line);
  report_->setPlainText(lines.join(QLatin1Char('\n')));
  check_->setEnabled(true);
  testMessage_->setEnabled(true);
}

void SecurityGroup::caFileBrowseClick() {
  platform::FileDialog dialog;
  dialog.caption = "CA file";
  dialog.fileName = enteredText(caFile_);
  dialog.filter = "Certificates (*.pem *.crt);;All files (*)";
  if (auto picked = platform::messages().openFile(dialog)) {
    caFile_->setText(QString::fromStdString(*picked));
  }
}

QString SecurityGroup::report() const {
  return report_->toPlainText();
}

}  // namespace zelvaro::ui
