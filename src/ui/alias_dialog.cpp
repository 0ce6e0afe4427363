#include "ui/alias_dialog.h"

#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>

#include "platform/messages.h"
#include "ui/schedule_tab.h"
#include "ui/widget_names.h"

namespace zelvaro::ui {

AliasDialog::AliasDialog(QWidget* parent) : FixedDialog(QStringLiteral("Form7"), parent) {
  setWindowTitle(QStringLiteral("Gamespecific options"));
  edit1_ = addField("Label1", "Alias", "Edit1", 220);
  tabs_ = named<QTabWidget>("Tabs", this);
  schedule_ = new ScheduleTab(tabs_);
  tabs_->addTab(schedule_, QStringLiteral("S&chedule"));
  addControl(tabs_);
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

void AliasDialog::setRules(const core::GameRules& rules) {
  rules_ = rules;
  schedule_->setRules(rules);
}

void AliasDialog::Button1Click() {
  std::string problem;
  const std::optional<core::GameRules> rules = schedule_->rules(problem);
  if (!rules) {
    tabs_->setCurrentWidget(schedule_);
    platform::showMessage(problem);
    return;
  }
  rules_ = *rules;
  accept();
}

void AliasDialog::Button2Click() {
  reject();
}

}  // namespace zelvaro::ui
