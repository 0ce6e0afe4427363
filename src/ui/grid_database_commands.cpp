// The commands of the database grid: add, edit, delete and assign players.

#include <QScrollBar>

#include "core/player_database.h"
#include "platform/messages.h"
#include "ui/grid.h"
#include "ui/grid_commands.h"
#include "ui/player_details_dialog.h"

namespace zelvaro::ui {

void GridCommands::Addplayer1Click() {
  const bool accepted = details_.run({});
  const core::PlayerRow entered = details_.details();
  if (accepted) {
    core::PlayerDatabase(host_.databasePath()).append(entered);
    loadPlayers();
    selectRow(players_, players_.rowCount() - 1);
  }
  sortPlayers();
  selectUpwardTo(entered.name);
}

void GridCommands::selectUpwardTo(const std::string& name) {
  int row = selectedRow(players_);
  while (row > 0 && players_.cell(row, 0) != name) --row;
  selectRow(players_, row);
}

void GridCommands::Editplayer1Click() {
  const core::PlayerDatabase database(host_.databasePath());
  if (database.count() == 0) {
    platform::showMessage("First you gotta add some people.. what are you on??");
    return;
  }
  const int row = selectedRow(players_);
  std::optional<core::PlayerEdit> edit = database.beginEdit(players_.cell(row, 0));
  if (!edit) return;
  if (details_.run(edit->row())) database.finishEdit(std::move(*edit), details_.details());
  loadPlayers();
  sortPlayers();
  selectRow(players_, row);
}

void GridCommands::Deleteplayer1Click() {
  const int row = selectedRow(players_);
  const std::string name = players_.cell(row, 0);
  platform::Question question{"Delete " + name + "?",
                              {platform::Button::Yes, platform::Button::No},
                              platform::Button::Yes,
                              platform::MessageKind::Plain};
  if (platform::messages().ask(question) != platform::Button::Yes) return;
  const int firstVisible = players_.verticalScrollBar()->value();
  core::PlayerDatabase(host_.databasePath()).remove(name);
  loadPlayers();
  sortPlayers();
  players_.verticalScrollBar()->setValue(firstVisible);
  selectRow(players_, row);
}

void GridCommands::Copyplayertogame1Click() {
  assignPlayer(selectedRow(players_));
}

void GridCommands::playersDblClick() {
  Copyplayertogame1Click();
}

void GridCommands::assignPlayer(int row) {
  if (rosterFull("Quit drinking! You already got 16 players in this game!")) return;
  if (core::PlayerDatabase(host_.databasePath()).count() <= 0) {
    platform::showMessage(
        "You gotta add players to the playerlist first, then you can assign them!");
    return;
  }
  if (row < 0 || row >= players_.rowCount()) return;
  roster().push_back(core::ContestorEntry::assigned(players_.cell(row, 0), players_.cell(row, 1)));
  host_.setChanged();
  refreshRoster();
  selectRow(contestors_, contestors_.rowCount() - 1);
}

bool GridCommands::rosterFull(const char* message) {
  if (roster().size() < core::Game::MaxPlayers) return false;
  platform::showMessage(message);
  return true;
}

}  // namespace zelvaro::ui
