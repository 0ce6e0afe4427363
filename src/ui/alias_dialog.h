#pragma once

// The game-specific options: the alias that this game's mails carry as the sender's name in
// place of the default one, and the game's schedule in a tab of its own. The opener fills it,
// runs the dialog modally and, when confirmed, takes the text (which may be empty) as the
// game's alias and the schedule's rules for the game's rules file.

#include <optional>
#include <string>

#include "core/game_rules.h"
#include "ui/dialog_frames.h"

class QLineEdit;
class QTabWidget;

namespace zelvaro::ui {

class AliasDialog : public FixedDialog {
  Q_OBJECT

 public:
  explicit AliasDialog(QWidget* parent = nullptr);

  // Shows `alias` modally; the text when "Yep" closed it, nothing when "Nope" did.
  std::optional<std::string> ask(const std::string& alias);

  void setAlias(const std::string& alias);
  std::string alias() const;
  void setRules(const core::GameRules& rules);
  // What the Schedule tab holds; read after "Yep", which refuses values it cannot read.
  core::GameRules rules() const { return rules_; }
  // Whether the last run ended with "Yep"; exec() returns the same as QDialog::Accepted.
  bool confirmed() const { return result() == QDialog::Accepted; }

  // Yep.
  void Button1Click();
  // Nope.
  void Button2Click();

 private:
  QLineEdit* edit1_;
  QTabWidget* tabs_;
  class ScheduleTab* schedule_;
  core::GameRules rules_;
};

}  // namespace zelvaro::ui
