// The main window with a game of several players, one of them with extra files (bold), at the
// saved split and at splits 2 and 8.

#include <QDir>
#include <QLineEdit>

#include "core/game_file.h"
#include "core/orders_status.h"
#include "core/player_database.h"
#include "core/send_journal.h"
#include "core/text_store.h"
#include "core/turn_status.h"
#include "shots.h"
#include "ui/main_window.h"

namespace zelvaro::shots {

namespace {

// A game folder and database in the throw-away home.
std::string makeGame() {
  const std::string folder = QDir::homePath().toStdString() + "/stars";
  QDir().mkpath(QString::fromStdString(folder));
  core::PlayerDatabase database(folder + "/database.txt");
  database.loadRows();  // creates the file
  const core::PlayerRow players[] = {
      {"Alice Quasar", "alice@example.org;aq@work.example.com", "Hosts on Sundays"},
      {"Bob Nebula", "bob@example.net", "Slow in spring"},
      {"Carl Pulsar", "carl@example.com", ""},
      {"Dora Comet", "dora@example.org", "New to the game"},
      {"Erik Meteor", "erik@example.net", "Plays two races"}};
  for (const core::PlayerRow& player : players) database.append(player);

  core::Game game;
  game.name = "Andromeda Rising";
  game.universePath = folder + "/andro.xy";
  game.subject = "Turn %Y of %G for player %P";
  game.body = {"Greetings commander,", "", "your turn of %Y is attached.",
               "Orders back by Friday, please."};
  game.lastGenerated = "Sunday, 05:12";
  game.roster = {core::ContestorEntry::assigned("Alice Quasar", players[0].email),
                 core::ContestorEntry::assigned("Bob Nebula", players[1].email)
                     .withExtraFiles({folder + "/news.txt"}),
                 core::ContestorEntry::blank(),
                 core::ContestorEntry::assigned("Dora Comet", players[3].email).withSending(false),
                 core::ContestorEntry::assigned("Erik Meteor", players[4].email)};
  game.filePath = folder + "/andromeda.zv";
  core::writeGameFile(game);
  return folder;
}

ui::MainWindow* mainWindow(Stage& stage, int split) {
  static ui::MainWindow* window = nullptr;
  if (window == nullptr) {
    const std::string folder = makeGame();
    core::WriteKey(stage.settingsPath, "database", folder + "/database.txt");
    window = stage.keep<ui::MainWindow>(stage.settingsPath);
    window->FormCreate();
    window->openGameFile(folder + "/andromeda.zv");
    // This year's journal: Alice mailed this morning, Bob's server refused him.
    core::SendJournal journal;
    for (const auto& [player, outcome] :
         {std::pair{1, "sent"}, std::pair{2, "failed: 550 mailbox unavailable"}}) {
      core::JournalEntry entry{"2026-12-08T08:18:04+01:00",
                               core::journalGameFile(window->game()),
                               window->game().name,
                               window->game().year,
                               player,
                               player == 1 ? "alice@example.org" : "bob@example.net",
                               {},
                               "<5f1c9a0e@example.org>",
                               outcome,
                               "221 bye"};
      journal.append(entry);
    }
    // Alice's orders are in; Erik sent last year's.
    for (const auto& [player, verdict] : {std::pair{1, "accepted"}, std::pair{5, "rejected"}}) {
      journal.append(core::OrdersEntry{
          player == 1 ? "2026-12-08T14:02:11+01:00" : "2026-12-08T15:40:27+01:00",
          core::journalGameFile(window->game()),
          window->game().name,
          window->game().year,
          player,
          player == 1 ? "alice@example.org" : "erik@example.org",
          {"andromeda.x" + std::to_string(player), std::string(64, 'a')},
          "<c41d2e7b@example.org>",
          verdict,
          player == 1 ? "orders of player 1" : "these orders were made from last year's turn"});
    }
    window->openGameFile(folder + "/andromeda.zv");
    window->sortPlayers();
  }
  window->setSplitPosition(split);
  return window;
}

}  // namespace

void addMainWindowShots(std::vector<Shot>& shots) {
  shots.push_back({"main-window", [](Stage& stage) -> QWidget* { return mainWindow(stage, 5); }});
  shots.push_back(
      {"main-window-split2", [](Stage& stage) -> QWidget* { return mainWindow(stage, 2); }});
  shots.push_back(
      {"main-window-split8", [](Stage& stage) -> QWidget* { return mainWindow(stage, 8); }});
}

}  // namespace zelvaro::shots
