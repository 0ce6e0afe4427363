#include "ui/orders_mailbox_group.h"

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
#include "send/credentials.h"
#include "send/mailbox_check.h"
#include "ui/widget_names.h"
#include "ui/word_choice.h"

namespace zelvaro::ui {

namespace {

const char* const kSecurityWords[] = {"tls", "starttls", "none"};
const char* const kSecurityCaptions[] = {"TLS (port 993)", "STARTTLS (port 143)",
                                         "None (a server on this machine only)"};
const char* const kAuthWords[] = {"auto", "plain", "login", "xoauth2"};
const char* const kAuthCaptions[] = {"Auto", "PLAIN", "LOGIN", "XOAUTH2"};

}  // namespace

OrdersMailboxGroup::OrdersMailboxGroup(Hooks hooks, QWidget* parent)
    : QGroupBox(parent), hooks_(std::move(hooks)) {
  setObjectName(QStringLiteral("GroupBoxOrdersMailbox"));
  setTitle(QStringLiteral("Orders mailbox"));
  if (!hooks_.storePassword) hooks_.storePassword = platform::storeKeyringSecret;
  auto* grid = new QGridLayout(this);

  server_ = named<QLineEdit>("ImapServerEdit", this);
  server_->setPlaceholderText(QStringLiteral("empty: orders are not fetched by mail"));
  server_->setToolTip(
      QStringLiteral("The IMAP server where players mail their orders, e.g. imap.gmail.com or "
                     "outlook.office365.com; host:port for another port"));
  security_ = choiceBox("ImapSecurityChoice", this, kSecurityCaptions, 3);
  user_ = named<QLineEdit>("ImapUserEdit", this);
  user_->setPlaceholderText(QStringLiteral("empty: the mail server's user and password"));
  password_ = named<QLineEdit>("ImapPasswordEdit", this);
  password_->setEchoMode(QLineEdit::Password);
  password_->setPlaceholderText(QStringLiteral("kept in the keyring, with a user above"));
  passwordCommand_ = named<QLineEdit>("ImapPasswordCommandEdit", this);
  passwordCommand_->setPlaceholderText(
      QStringLiteral("instead of the keyring, e.g. pass show imap"));
  authType_ = choiceBox("ImapAuthChoice", this, kAuthCaptions, 4);
  folder_ = named<QLineEdit>("ImapFolderEdit", this);
  folder_->setToolTip(QStringLiteral("Where orders arrive"));
  doneFolder_ = named<QLineEdit>("ImapDoneEdit", this);
  doneFolder_->setToolTip(QStringLiteral(
      "Judged mail is moved here, refused mail into its subfolder Rejected; both are made "
      "when missing"));
  check_ = namedClickOnlyButton("ImapCheckButton", "Check connection", this,
                                &OrdersMailboxGroup::checkClick);
  report_ = named<QPlainTextEdit>("ImapCheckReport", this);
  report_->setReadOnly(true);
  report_->setFixedHeight(report_->fontMetrics().lineSpacing() * 6 + 12);
  report_->setPlaceholderText(QStringLiteral("What the check finds shows here."));

  int row = 0;
  auto addRow = [&](const char* name, const char* caption, QWidget* field) {
    auto* label = named<QLabel>(name, this, caption);
    label->setBuddy(field);
    grid->addWidget(label, row, 0);
    grid->addWidget(field, row++, 1);
  };
  // The SMTP group above has taken most letters; these are the ones left in the captions.
  addRow("ImapServerLabel", "Ser&ver", server_);
  addRow("ImapSecurityLabel", "Secur&ity", security_);
  addRow("ImapUserLabel", "User", user_);
  addRow("ImapPasswordLabel", "Pass&word", password_);
  addRow("ImapPasswordCommandLabel", "Password command", passwordCommand_);
  addRow("ImapAuthLabel", "Auth", authType_);
  addRow("ImapFolderLabel", "Orders folder", folder_);
  addRow("ImapDoneLabel", "Jud&ged mail into", doneFolder_);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(check_);
  grid->addLayout(buttons, row++, 0, 1, 2);
  grid->addWidget(report_, row, 0, 1, 2);
}

void OrdersMailboxGroup::fill(const core::OrdersMailbox& mailbox) {
  kept_ = mailbox;
  server_->setText(QString::fromStdString(mailbox.server));
  selectWord(security_, kSecurityWords, 3, mailbox.security);
  selectWord(authType_, kAuthWords, 4, mailbox.auth);
  user_->setText(QString::fromStdString(mailbox.user));
  password_->clear();
  passwordCommand_->setText(QString::fromStdString(mailbox.passwordCommand));
  folder_->setText(QString::fromStdString(mailbox.folder));
  doneFolder_->setText(QString::fromStdString(mailbox.doneFolder));
}

core::OrdersMailbox OrdersMailboxGroup::entered() const {
  core::OrdersMailbox mailbox;
  mailbox.server = enteredText(server_);
  mailbox.security = chosenWord(security_, kSecurityWords, 3, kept_.security);
  mailbox.auth = chosenWord(authType_, kAuthWords, 4, kept_.auth);
  mailbox.user = enteredText(user_);
  mailbox.passwordCommand = enteredText(passwordCommand_);
  // An emptied folder means the usual one, never the server's root.
  const std::string folder = enteredText(folder_);
  const std::string done = enteredText(doneFolder_);
  mailbox.folder = folder.empty() ? core::OrdersMailbox{}.folder : folder;
  mailbox.doneFolder = done.empty() ? core::OrdersMailbox{}.doneFolder : done;
  return mailbox;
}

std::string OrdersMailboxGroup::keepPassword() {
  const std::string secret = password_->text().toStdString();
  if (secret.empty()) return "";
  const core::OrdersMailbox mailbox = entered();
  if (mailbox.user.empty() || mailbox.server.empty()) {
    return "The orders mailbox's password is kept only with a server and a user of its own; "
           "without a user the mail server's password is used";
  }
  const std::string key = send::keyringKey(mailbox.user, mailbox.address().host);
  std::string problem = hooks_.storePassword(key, secret);
  if (problem.empty()) password_->clear();
  return problem.empty() ? "" : "The password could not be kept in the keyring: " + problem;
}

void OrdersMailboxGroup::checkClick() {
  core::Settings settings = hooks_.enteredSettings ? hooks_.enteredSettings() : core::Settings{};
  settings.mailbox = entered();
  report_->clear();
  if (std::string problem = keepPassword(); !problem.empty()) {
    report_->setPlainText(QString::fromStdString(problem));
    return;
  }
  check_->setEnabled(false);
  report_->setPlainText(QStringLiteral("Checking..."));
  send::CheckOptions options;
  options.onTrace = hooks_.onTrace;
  options.whileWaiting = [] { platform::processMessages(); };
  const send::CheckReport result = send::checkMailbox(settings, options);
  QStringList lines;
  for (const std::string& line : result.lines) lines << QString::fromStdString(line);
  report_->setPlainText(lines.join(QLatin1Char('\n')));
  check_->setEnabled(true);
}

QString OrdersMailboxGroup::report() const {
  return report_->toPlainText();
}

}  // namespace zelvaro::ui
