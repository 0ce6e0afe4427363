#include "ui/pre_send_dialog.h"

#include <QCheckBox>
#include <QLabel>
#include <QPushButton>

#include "ui/widget_names.h"

namespace zelvaro::ui {

namespace {

void addList(QString& text, const char* title, const std::vector<std::string>& lines) {
  if (lines.empty()) return;
  if (!text.isEmpty()) text += "\n";
  text += QString::fromUtf8(title) + "\n";
  for (const std::string& line : lines) text += "  " + QString::fromStdString(line) + "\n";
}

}  // namespace

PreSendDialog::PreSendDialog(QWidget* parent) : FixedDialog(QStringLiteral("PreSend"), parent) {
  setWindowTitle(QStringLiteral("Before sending"));
  list_ = new QLabel(this);
  list_->setObjectName(QStringLiteral("Problems"));
  list_->setTextFormat(Qt::PlainText);
  list_->setMinimumWidth(420);
  addControl(list_);
  again_ = new QCheckBox(QStringLiteral("Send again to the players mailed already"), this);
  again_->setObjectName(QStringLiteral("SendAgain"));
  addControl(again_);
  // Enter goes to the default button alone, whichever button has the focus: mailing a wrong
  // file takes a click (or Space) on "Send all".
  sendAll_ = namedClickOnlyButton("SendAll", "Send all", this, &PreSendDialog::sendAllClick);
  sendOk_ = namedClickOnlyButton("SendOk", "Send only the players whose files are ok", this,
                                 &PreSendDialog::sendOkClick);
  cancel_ = namedClickOnlyButton("Cancel", "Cancel", this, &PreSendDialog::cancelClick);
  addButton(sendAll_);
  addButton(sendOk_);
  addButtonGap();
  addButton(cancel_);
}

std::optional<send::SendOptions> PreSendDialog::ask(const PreSendLists& lists) {
  setLists(lists);
  if (exec() != QDialog::Accepted) return std::nullopt;
  send::SendOptions options;
  options.files = files_;
  options.again = again_->isChecked();
  return options;
}

void PreSendDialog::setLists(const PreSendLists& lists) {
  QString text;
  addList(text, "These players' files are not right:", lists.problems);
  addList(text, "These players have this turn already:", lists.mailed);
  addList(text,
          "These files lie outside the game's folders (is this a copied game?):", lists.outside);
  text += QStringLiteral("\nNothing has been sent yet.");
  list_->setText(text);
  again_->setVisible(!lists.mailed.empty());
  again_->setChecked(false);
  sendOk_->setEnabled(lists.ready > 0);
  QPushButton* safe = lists.ready > 0 ? sendOk_ : cancel_;
  for (QPushButton* button : {sendAll_, sendOk_, cancel_}) button->setDefault(button == safe);
  safe->setFocus();
  adjustSize();
}

void PreSendDialog::sendAllClick() {
  files_ = send::SendOptions::Files::SendAnyway;
  accept();
}

void PreSendDialog::sendOkClick() {
  files_ = send::SendOptions::Files::RefuseAny;
  accept();
}

void PreSendDialog::cancelClick() {
  reject();
}

}  // namespace zelvaro::ui
