#pragma once

// The Schedule tab of the game-specific options: the game's rules file (`<game>.zv.rules`)
// made editable: deadline, reminders, the generate command and when it runs, grace, the
// reminder's subject and body, the status page. Keys it does not show keep their values.

#include <QWidget>
#include <optional>
#include <string>

#include "core/game_rules.h"

class QComboBox;
class QLineEdit;
class QPlainTextEdit;
class QSpinBox;

namespace zelvaro::ui {

class ScheduleTab : public QWidget {
  Q_OBJECT

 public:
  explicit ScheduleTab(QWidget* parent = nullptr);

  void setRules(const core::GameRules& rules);
  // The rules shown, with what was typed; nothing (and `problem` says why, in words that say
  // what to write) when a value cannot be read.
  std::optional<core::GameRules> rules(std::string& problem) const;

 private:
  core::GameRules shown_;
  QLineEdit* deadline_;
  QLineEdit* reminders_;
  QLineEdit* command_;
  QComboBox* when_;
  QSpinBox* grace_;
  QLineEdit* subject_;
  QPlainTextEdit* body_;
  QLineEdit* statusPage_;
};

}  // namespace zelvaro::ui
