#include "ui/schedule_tab.h"

#include <QComboBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QSpinBox>

#include "ui/widget_names.h"

namespace zelvaro::ui {

namespace {

constexpr core::GenerateWhen kWhenChoices[] = {core::GenerateWhen::Both, core::GenerateWhen::AllIn,
                                               core::GenerateWhen::Deadline};

QString text(const std::string& value) {
  return QString::fromStdString(value);
}

}  // namespace

ScheduleTab::ScheduleTab(QWidget* parent) : QWidget(parent) {
  setObjectName(QStringLiteral("ScheduleTab"));
  auto* form = new QFormLayout(this);
  // Made in screen order, which is the Tab order.
  auto field = [&](QWidget* control, const char* labelName, const char* caption,
                   const char* hint = nullptr) {
    auto* label = named<QLabel>(labelName, this, caption);
    label->setBuddy(control);
    if (hint != nullptr) control->setToolTip(QString::fromUtf8(hint));
    form->addRow(label, control);
  };
  deadline_ = named<QLineEdit>("DeadlineEdit", this);
  // Wide enough for a wine command line and the default subject.
  deadline_->setMinimumWidth(deadline_->fontMetrics().averageCharWidth() * 52);
  deadline_->setPlaceholderText(QStringLiteral("none"));
  field(deadline_, "DeadlineLabel", "&Deadline",
        "none, daily 20:00, weekly fri 20:00, or after 48 (hours after the turn went out)");
  reminders_ = named<QLineEdit>("RemindersEdit", this);
  field(reminders_, "RemindersLabel", "&Reminders, hours before",
        "Players still out are reminded this many hours before the deadline (24,2); empty: "
        "never");
  command_ = named<QLineEdit>("GenerateEdit", this);
  command_->setPlaceholderText(QStringLiteral("empty: you generate the turns yourself"));
  field(command_, "GenerateLabel", "&Generate command",
        "Run with /bin/sh in the game's folder; %H is the host file's path");
  when_ = named<QComboBox>("WhenCombo", this);
  when_->addItems({QStringLiteral("When all are in or at the deadline"),
                   QStringLiteral("As soon as all orders are in"),
                   QStringLiteral("At the deadline only")});
  field(when_, "WhenLabel", "Generate &when");
  grace_ = named<QSpinBox>("GraceSpin", this);
  grace_->setRange(0, 7 * 24 * 60);
  grace_->setSuffix(QStringLiteral(" minutes"));
  field(grace_, "GraceLabel", "Gr&ace after the deadline");
  subject_ = named<QLineEdit>("ReminderSubjectEdit", this);
  field(subject_, "ReminderSubjectLabel", "Reminder s&ubject",
        "%Y year, %G game, %P player, %D the deadline");
  body_ = named<QPlainTextEdit>("ReminderBodyEdit", this);
  body_->setTabChangesFocus(true);
  body_->setFixedHeight(body_->fontMetrics().lineSpacing() * 6 + 12);
  field(body_, "ReminderBodyLabel", "Reminder &body",
        "%Y year, %G game, %P player, %D the deadline");
  statusPage_ = named<QLineEdit>("StatusPageEdit", this);
  statusPage_->setPlaceholderText(QStringLiteral("empty: none"));
  field(statusPage_, "StatusPageLabel", "Status &page",
        "A file the watch keeps up to date for the players (a web server's or a synced "
        "folder); a relative path is in the game's folder");
  setRules({});
}

void ScheduleTab::setRules(const core::GameRules& rules) {
  shown_ = rules;
  deadline_->setText(text(core::deadlineText(rules.deadline)));
  reminders_->setText(text(core::reminderHoursText(rules.reminders)));
  command_->setText(text(rules.generateCommand));
  for (int i = 0; i < 3; ++i) {
    if (kWhenChoices[i] == rules.generateWhen) when_->setCurrentIndex(i);
  }
  grace_->setValue(static_cast<int>(rules.graceMinutes));
  subject_->setText(text(rules.reminderSubject));
  subject_->setCursorPosition(0);
  command_->setCursorPosition(0);
  QStringList lines;
  for (const std::string& line : rules.reminderBody) lines << text(line);
  body_->setPlainText(lines.join(QLatin1Char('\n')));
  statusPage_->setText(text(rules.statusPage));
}

std::optional<core::GameRules> ScheduleTab::rules(std::string& problem) const {
  core::GameRules rules = shown_;
  const std::string deadline = deadline_->text().trimmed().toStdString();
  const auto parsed = core::parseDeadline(deadline.empty() ? "none" : deadline);
  if (!parsed) {
    problem = "The deadline \"" + deadline +
              "\" is not understood: write none, daily 20:00, weekly fri 20:00, or after 48.";
    return std::nullopt;
  }
  const auto hours = core::parseReminderHours(reminders_->text().toStdString());
  if (!hours) {
    problem = "The reminders \"" + reminders_->text().toStdString() +
              "\" are not understood: write hours before the deadline, as in 24,2.";
    return std::nullopt;
  }
  rules.deadline = *parsed;
  rules.reminders = *hours;
  rules.generateCommand = command_->text().trimmed().toStdString();
  rules.generateWhen = kWhenChoices[when_->currentIndex()];
  // Whole minutes are all the box offers; a fraction from the file stays when untouched.
  if (grace_->value() != static_cast<int>(shown_.graceMinutes)) {
    rules.graceMinutes = grace_->value();
  }
  rules.reminderSubject = subject_->text().toStdString();
  rules.reminderBody.clear();
  for (const QString& line : body_->toPlainText().split(QLatin1Char('\n'))) {
    rules.reminderBody.push_back(line.toStdString());
  }
  rules.statusPage = statusPage_->text().trimmed().toStdString();
  return rules;
}

}  // namespace zelvaro::ui
