#pragma once

// The main window as the player wizard sees it: a game in memory, a real roster grid, and the
// window's steps of OK recorded in order.

#include <string>
#include <vector>

#include "ui/grid.h"
#include "ui/player_wizard.h"

namespace zelvaro::test {

class FakeWizardHost : public ui::WizardHost {
 public:
  core::Game& game() override { return gameValue; }
  std::string databasePath() const override { return database; }
  void clearGame() override {
    calls.push_back("clearGame");
    gameValue.clear();
  }
  void disableGameFileItems() override { calls.push_back("disableGameFileItems"); }
  void reloadRecentGames() override { calls.push_back("reloadRecentGames"); }
  void showGameFields() override { calls.push_back("showGameFields"); }
  void setChanged() override { gameValue.changed = true; }
  void refreshRoster() override {
    calls.push_back("refreshRoster");
    ui::showRoster(contestors, gameValue.roster);
  }

  core::Game gameValue;
  std::string database;
  std::vector<std::string> calls;
  ui::Grid contestors{"contestors", {"Send", "Player#", "Name"}, nullptr};
};

}  // namespace zelvaro::test
