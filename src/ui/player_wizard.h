#pragma once

// Form11, the player wizard: for a player rather than a host. Four answers (universe, player
// number, host's address, game name) turn the main window into a one-entry game that mails the
// player's orders file to his host with the ordinary Send. The wizard itself sends nothing and
// writes no file; a speech bubble beside the wizard says what to do next.

#include <QTimer>
#include <string>

#include "core/game.h"
#include "ui/dialog_frames.h"
#include "ui/wizard_steps.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace zelvaro::ui {

class ExtraFilesDialog;

// What the wizard needs of the main window. The wizard changes the game itself; the window
// shows it.
class WizardHost {
 public:
  virtual ~WizardHost() = default;
  virtual core::Game& game() = 0;
  // The player database file the window's database grid shows.
  virtual std::string databasePath() const = 0;

  // OK's changes to the window, called in this order:
  // The window's clear-the-game step: the game (core::Game::clear) and the controls showing it.
  virtual void clearGame() = 0;
  // Save, Close and Game-specific options off: the game has no game file now.
  virtual void disableGameFileItems() = 0;
  // The recent games from the settings file, into the game name's list.
  virtual void reloadRecentGames() = 0;
  // The controls take the game's name, universe, subject, body and attach switches.
  virtual void showGameFields() = 0;
  virtual void refreshRoster() = 0;
  // The game differs from any file now.
  virtual void setChanged() = 0;
};

class PlayerWizard : public FixedDialog {
  Q_OBJECT

 public:
  static constexpr int kHintDelayMs = 2000;

  // `extraFiles` is the main window's extra-files dialog, shared with it.
  PlayerWizard(WizardHost& host, ExtraFilesDialog& extraFiles, QWidget* parent = nullptr);

  // Opens the wizard: starts over and shows it modally until OK or "Forget it all".
  void run();
  // What run() does before showing: every opening starts over at step 1.
  void start();

  // The handlers, public so that tests drive them.
  void Edit1Change();
  void Button1Click();  // browse for the universe
  void Edit2Enter();
  void edit3Change();
  void edit3Enter();
  void Edit4Enter();
  void Button2Click();  // More files..
  void okClick();
  void notokClick();
  void Button5Click();  // Forget it all
  void Timer1Timer();

  QTimer& timer1() { return timer1_; }
  const WizardSteps& steps() const { return steps_; }

  // Closing by any means (OK, "Forget it all") runs through here; nothing else closes it.
  void done(int result) override;
  void reject() override {}

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void buildPicture(class QGridLayout* grid);
  void buildInputs(class QGridLayout* grid);
  // Shows the steps' state: the answers, which inputs are open, the focus and the bubble.
  void sync();
  void setText(QLineEdit* edit, const std::string& text);

  WizardHost& host_;
  ExtraFilesDialog& extraFiles_;
  WizardSteps steps_;
  bool syncing_ = false;
  int shownFocusMoves_ = -1;

  QLineEdit* edit1_ = nullptr;
  QPushButton* button1_ = nullptr;
  QLineEdit* edit2_ = nullptr;
  QComboBox* edit3_ = nullptr;
  QLineEdit* edit4_ = nullptr;
  QPushButton* button2_ = nullptr;
  QPushButton* ok_ = nullptr;
  QPushButton* notok_ = nullptr;
  QLabel* wiz_ = nullptr;
  QLabel* wiz2_ = nullptr;
  QTimer timer1_;
};

}  // namespace zelvaro::ui
