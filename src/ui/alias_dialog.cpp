#include "ui/alias_dialog.h"

#include <QLineEdit>
#include <QPushButton>

#include "ui/widget_names.h"

namespace zelvaro::ui {

AliasDialog::AliasDialog(QWidget* parent) : FixedDialog(QStringLiteral("Form7"), parent) {
  setWindowTitle(QStringLiteral("Gamespecific options"));
  edit1_ = addField("Label1", "Alias", "Edit1", 220);
  addButtonGap();
  addButton(namedButton("Button1", "Yep", this, &AliasDialog::Button1Click))->setDefault(true);
  addButton(namedButton("Button2", "Nope", this, &AliasDialog::Button2Click));
}

std::optional<std::string> AliasDialog::ask(const std::string& alias) {
  setAlias(alias);
  if (exec() != QDialog::Accepted) return std::nullopt;
  return this->alias();
}

void AliasDialog::setAlias(const std::string& alias) {
  edit1_->setText(QString::fromStdString(alias));
}

std::string AliasDialog::alias() const {
  return edit1_->text().toStdString();
}

void AliasDialog::Button1Click() {
  accept();
}

void AliasDialog::Button2Click() {
  reject();
}

}  // namespace zelvaro::ui
