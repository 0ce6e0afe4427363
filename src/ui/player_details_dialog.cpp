#include "ui/player_details_dialog.h"

#include <QLineEdit>
#include <QPushButton>

#include "net/mail_address.h"
#include "platform/messages.h"
#include "send/templates.h"
#include "ui/widget_names.h"

namespace zelvaro::ui {

namespace {
constexpr int kFieldWidth = 280;  // room for two addresses
}  // namespace

PlayerDetailsDialog::PlayerDetailsDialog(QWidget* parent)
    : FixedDialog(QStringLiteral("Form2"), parent) {
  setWindowTitle(QStringLiteral("Player details"));

  edit1_ = addField("Label1", "Name", "Edit1", kFieldWidth);
  edit2_ = addField("Label2", "Email", "Edit2", kFieldWidth);
  edit3_ = addField("Label3", "Notes", "Edit3", kFieldWidth);
  edit1_->setToolTip(QStringLiteral("The name is unique for each player"));
  edit2_->setToolTip(QStringLiteral("Multible emails are seperated with a ;"));

  addButtonGap();
  addButton(namedButton("Button1", "OK", this, &PlayerDetailsDialog::Button1Click))
      ->setDefault(true);
  addButton(namedButton("Button2", "Cancel", this, &PlayerDetailsDialog::Button2Click));
}

bool PlayerDetailsDialog::run(const core::PlayerRow& shown) {
  setDetails(shown);
  return exec() == QDialog::Accepted;
}

void PlayerDetailsDialog::setDetails(const core::PlayerRow& details) {
  edit1_->setText(QString::fromStdString(details.name));
  edit2_->setText(QString::fromStdString(details.email));
  edit3_->setText(QString::fromStdString(details.note));
}

core::PlayerRow PlayerDetailsDialog::details() const {
  return {edit1_->text().toStdString(), edit2_->text().toStdString(), edit3_->text().toStdString()};
}

void PlayerDetailsDialog::showEvent(QShowEvent* event) {
  FixedDialog::showEvent(event);
  FormActivate();
}

void PlayerDetailsDialog::FormActivate() {
  edit1_->setFocus();
  edit1_->selectAll();
}

void PlayerDetailsDialog::Button1Click() {
  // The empty fields come first: an empty e-mail field has no "@" either, and the operator
  // should hear that something is missing, not that it is malformed.
  if (edit1_->text().isEmpty() || edit2_->text().isEmpty()) {
    platform::showMessage("Houston, we have a problem!");
    return;
  }
  // One "@" anywhere will do: the list is split into addresses only when mail is sent.
  if (!edit2_->text().contains(QLatin1Char('@'))) {
    platform::showMessage("Email without @ is BAD!");
    return;
  }
  // An address that has its "@" must be one a server can take: "<" or ">" could carry a
  // second address or a command into the envelope.
  const std::string list = send::NormalizeAddressList(edit2_->text().toStdString());
  for (const std::string& address : send::recipientsOf(list)) {
    std::string fault;
    if (address.find('@') != std::string::npos && !net::parseMailAddress(address, &fault)) {
      platform::showMessage("The address " + address + " cannot be mailed to: " + fault +
                            ". Please correct it; several addresses are separated by \";\".");
      return;
    }
  }
  accept();
}

void PlayerDetailsDialog::Button2Click() {
  reject();
}

}  // namespace zelvaro::ui
