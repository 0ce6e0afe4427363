#include "ui/pre_send_dialog.h"

#include <QCheckBox>
#include <QLabel>
#include <QPushButton>

#include "ui/widget_names.h"

namespace zelvaro::ui {

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
  addButton(namedButton("SendAll", "Send all", this, &PreSendDialog::sendAllClick));
  addButton(namedButton("SendOk", "Send only the players whose files are ok", this,
                        &PreSendDialog::sendOkClick))
      ->setDefault(true);
  addButtonGap();
  addButton(namedButton("Cancel", "Cancel", this, &PreSendDialog::cancelClick));
}

std::optional<send::SendOptions> PreSendDialog::ask(const std::vector<std::string>& problems,
                                                    const std::vector<std::string>& mailed) {
  setLists(problems, mailed);
  if (exec() != QDialog::Accepted) return std::nullopt;
  send::SendOptions options;
  options.files = files_;
  options.again = again_->isChecked();
  return options;
}

void PreSendDialog::setLists(const std::vector<std::string>& problems,
                             const std::vector<std::string>& mailed) {
  QString text;
  if (!problems.empty()) text += QStringLiteral("These players' files are not right:\n");
  for (const std::string& line : problems) text += "  " + QString::fromStdString(line) + "\n";
  if (!problems.empty() && !mailed.empty()) text += "\n";
  if (!mailed.empty()) text += QStringLiteral("These players have this turn already:\n");
  for (const std::string& line : mailed) text += "  " + QString::fromStdString(line) + "\n";
  text += QStringLiteral("\nNothing has been sent yet.");
  list_->setText(text);
  again_->setVisible(!mailed.empty());
  again_->setChecked(false);
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
