#pragma once

// The player details dialog: name, e-mail list and note of one player of the database. The
// opener fills the fields, runs the dialog modally and reads the fields and the result; the
// dialog itself keeps no player and touches no file.

#include "core/player_database.h"
#include "ui/dialog_frames.h"

class QLineEdit;

namespace zelvaro::ui {

class PlayerDetailsDialog : public FixedDialog {
  Q_OBJECT

 public:
  explicit PlayerDetailsDialog(QWidget* parent = nullptr);

  // Shows `shown` modally; true when it closed with OK. details() then holds the fields.
  bool run(const core::PlayerRow& shown);

  void setDetails(const core::PlayerRow& details);
  // The fields as they stand, also after Cancel (Add player looks the typed name up either way).
  core::PlayerRow details() const;
  // Whether the last run ended with OK; exec() returns the same as QDialog::Accepted.
  bool accepted() const { return result() == QDialog::Accepted; }

  void FormActivate();
  // OK: closes accepted unless a field the mail needs is missing; then says so and stays open.
  void Button1Click();
  // Cancel.
  void Button2Click();

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  QLineEdit* edit1_;
  QLineEdit* edit2_;
  QLineEdit* edit3_;
};

}  // namespace zelvaro::ui
