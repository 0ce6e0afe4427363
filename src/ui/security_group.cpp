#include "ui/security_group.h"

#include <QApplication>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <utility>

#include "platform/eventloop.h"
#include "platform/keyring.h"
#include "platform/messages.h"
#include "send/account_setup.h"
#include "send/connection_check.h"
#include "send/credentials.h"
#include "send/password_memory.h"
#include "ui/growing_text_view.h"
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

  // Made in the order they show, top to bottom, which is the order Tab takes.
  security_ = choiceBox("SecurityChoice", this, kSecurityCaptions, 3);
  security_->setToolTip(
      QStringLiteral("STARTTLS or TLS for every provider; None only for a server of your own"));
  user_ = named<QLineEdit>("UserEdit", this);
  user_->setPlaceholderText(QStringLiteral("empty: no login"));
  password_ = named<QLineEdit>("PasswordEdit", this);
  password_->setEchoMode(QLineEdit::Password);
  passwordCommand_ = named<QLineEdit>("PasswordCommandEdit", this);
  passwordCommand_->setPlaceholderText(
      QStringLiteral("instead of the keyring, e.g. pass show smtp"));
  authType_ = choiceBox("AuthChoice", this, kAuthCaptions, 4);
  authType_->setToolTip(QStringLiteral(
      "Auto takes PLAIN, else LOGIN; XOAUTH2 for Outlook.com and Microsoft 365, with a password "
      "command that prints an access token"));
  caFile_ = named<QLineEdit>("CaFileEdit", this);
  caFile_->setPlaceholderText(QStringLiteral("only for a server with its own CA"));
  auto* browse =
      namedClickOnlyButton("CaFileButton", "...", this, &SecurityGroup::caFileBrowseClick);
  makeBrowseWidth(browse);
  check_ =
      namedClickOnlyButton("CheckButton", "Chec&k connection", this, &SecurityGroup::checkClick);
  testMessage_ = namedClickOnlyButton("TestMessageButton", "Send &test message", this,
                                      &SecurityGroup::testMessageClick);
  cancel_ = namedClickOnlyButton("CancelCheckButton", "Ca&ncel", this, &SecurityGroup::cancelClick);
  cancel_->setEnabled(false);
  verdict_ = named<QLabel>("CheckVerdict", this);
  QFont prominent = verdict_->font();
  prominent.setBold(true);
  prominent.setPointSizeF(prominent.pointSizeF() * 1.2);
  verdict_->setFont(prominent);
  verdict_->setWordWrap(true);
  verdict_->hide();
  report_ = new GrowingTextView(3, this);
  report_->setObjectName(QStringLiteral("CheckReport"));
  report_->setPlaceholderText(QStringLiteral("What the check finds shows here."));
  password_->setPlaceholderText(QStringLiteral("kept in the keyring"));

  int row = 0;
  auto addRow = [&](const char* name, const char* caption, QWidget* field) {
    auto* label = named<QLabel>(name, this, caption);
    label->setBuddy(field);
    grid->addWidget(label, row, 0);
    grid->addWidget(field, row++, 1, 1, 2);
  };
  addRow("SecurityLabel", "Securit&y", security_);
  addRow("UserLabel", "&User", user_);
  addRow("PasswordLabel", "&Password", password_);
  addRow("PasswordCommandLabel", "Password co&mmand", passwordCommand_);
  addRow("AuthLabel", "Aut&h", authType_);
  auto* caLabel = named<QLabel>("CaFileLabel", this, "&CA file");
  caLabel->setBuddy(caFile_);
  grid->addWidget(caLabel, row, 0);
  grid->addWidget(caFile_, row, 1);
  grid->addWidget(browse, row++, 2);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(check_);
  buttons->addWidget(testMessage_);
  buttons->addWidget(cancel_);
  grid->addLayout(buttons, row++, 0, 1, 3);
  grid->addWidget(verdict_, row++, 0, 1, 3);
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
  showPasswordPlace();
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

PasswordKeeping SecurityGroup::keepPassword(const std::string& host) {
  std::string secret = password_->text().toStdString();
  if (secret.empty()) return {};
  if (enteredText(user_).empty()) {
    return {true,
            "A password was typed but User is empty: enter the user name of the mail "
            "account, or empty the Password field."};
  }
  const std::string key = send::keyringKey(enteredText(user_), host);
  const std::string problem = hooks_.storePassword(key, secret);
  PasswordKeeping kept;
  if (problem.empty()) {
    send::forgetPasswordKeptForThisRun(key);
  } else {
    // Without a keyring the password still serves the window until the program ends.
    send::keepPasswordForThisRun(key, secret);
    kept.note = "The keyring could not keep the password (" + problem +
                "), so it is kept in memory until Zelvaro ends; for cron and --watch set a "
                "Password command.";
  }
  send::forgetSecret(secret);
  password_->clear();
  showPasswordPlace();
  return kept;
}

void SecurityGroup::showPasswordPlace() {
  const bool inMemory = hooks_.enteredSettings &&
                        send::passwordKeptForThisRun(send::keyringKey(
                            enteredText(user_), hooks_.enteredSettings().serverAddress().host));
  password_->setPlaceholderText(inMemory ? QStringLiteral("kept in memory until Zelvaro ends")
                                         : QStringLiteral("kept in the keyring"));
}

void SecurityGroup::checkClick() {
  runCheck(false);
}

void SecurityGroup::testMessageClick() {
  runCheck(true);
}

void SecurityGroup::cancelClick() {
  cancelled_ = true;
}

void SecurityGroup::showVerdict(const QString& verdict, std::optional<bool> passed) {
  verdict_->setText(verdict);
  QPalette colours = palette();
  if (passed) {
    colours.setColor(QPalette::WindowText,
                     *passed ? QColor(0x10, 0x70, 0x20) : QColor(0xb0, 0x10, 0x10));
  }
  verdict_->setPalette(colours);
  verdict_->setVisible(!verdict.isEmpty());
}

void SecurityGroup::runCheck(bool sendTestMessage) {
  if (checking_) return;
  const core::Settings settings =
      hooks_.enteredSettings ? hooks_.enteredSettings() : core::Settings{};
  report_->clear();
  const PasswordKeeping kept = keepPassword(settings.serverAddress().host);
  if (kept.refused) {
    showVerdict(QString::fromStdString(kept.note), false);
    return;
  }
  checking_ = true;
  cancelled_ = false;
  check_->setEnabled(false);
  testMessage_->setEnabled(false);
  cancel_->setEnabled(true);
  showVerdict(QStringLiteral("Checking..."), std::nullopt);
  send::CheckOptions options;
  options.sendTestMessage = sendTestMessage;
  options.onTrace = hooks_.onTrace;
  options.whileWaiting = [] { platform::processMessages(); };
  options.cancelled = [this] { return cancelled_; };
  send::CheckReport result = send::checkConnection(settings, options);
  // The report's first line is the verdict, shown large above the rest.
  QString verdict;
  if (!result.lines.empty()) {
    verdict = QString::fromStdString(result.lines.front());
    result.lines.erase(result.lines.begin());
  }
  if (!kept.note.empty()) result.lines.insert(result.lines.begin(), kept.note);
  QStringList lines;
  for (const std::string& line : result.lines) lines << QString::fromStdString(line);
  report_->setPlainText(lines.join(QLatin1Char('\n')));
  showVerdict(verdict, result.ok);
  Q_EMIT checkShown();
  checking_ = false;
  check_->setEnabled(true);
  testMessage_->setEnabled(true);
  cancel_->setEnabled(false);
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

QString SecurityGroup::verdict() const {
  return verdict_->text();
}

QString SecurityGroup::report() const {
  return report_->toPlainText();
}

}  // namespace zelvaro::ui
