#pragma once

// The two grids of the main window with their commands, over a game in memory and a database
// file in a temporary folder.

#include <QMenu>
#include <QTimer>
#include <QWidget>

#include "dialog_test.h"
#include "support/temp_dir.h"
#include "ui/extra_files_dialog.h"
#include "ui/grid.h"
#include "ui/grid_commands.h"
#include "ui/player_details_dialog.h"

namespace zelvaro::test {

class FakeGridHost : public ui::GridHost {
 public:
  explicit FakeGridHost(std::string database) : database(std::move(database)) {}
  core::Game& game() override { return current; }
  std::string databasePath() const override { return database; }
  void setChanged() override { current.changed = true; }
  int splitPosition() const override { return split; }

  core::Game current;
  std::string database;
  int split = 5;
};

class GridCommandsTest : public DialogTest {
 protected:
  void SetUp() override {
    DialogTest::SetUp();
    window.resize(640, 480);
    players.resize(400, 200);
    contestors.resize(300, 200);
  }

  // Writes the database file (one line each) and loads it into the grid, sorted.
  void database(const std::vector<std::string>& lines) {
    std::string bytes;
    for (const auto& line : lines) bytes += line + "\r\n";
    writeFile(host.database, bytes);
    commands.loadPlayers();
    commands.sortPlayers();
  }
  void rosterOf(const std::vector<std::string>& texts) {
    host.current.roster.clear();
    for (const auto& text : texts) host.current.roster.emplace_back(text);
    commands.refreshRoster();
  }
  std::vector<std::string> names() const {
    std::vector<std::string> result;
    for (const auto& entry : host.current.roster) result.push_back(entry.name());
    return result;
  }
  std::string databaseFile() const { return readFile(host.database); }
  bool changed() const { return host.current.changed; }

  // Answers the next run of the player details dialog with these fields and OK (or Cancel).
  void answerDetails(const core::PlayerRow& typed, bool ok = true) {
    QTimer::singleShot(0, &details, [this, typed, ok] {
      seenInDetails = details.details();
      details.setDetails(typed);
      click(details, ok ? "Button1" : "Button2");
    });
  }

  TempDir dir;
  FakeGridHost host{dir.file("database.txt")};
  QWidget window;
  ui::Grid players{"players", {"Name", "Email", "Note"}, &window};
  ui::Grid contestors{"contestors", {"Send", "Player#", "Name", "Mailed", "Orders"}, &window};
  ui::PlayerDetailsDialog details;
  ui::ExtraFilesDialog extraFiles;
  ui::GridCommands commands{host, players, contestors, details, extraFiles, &window};
  core::PlayerRow seenInDetails;
};

// The object names and captions of a menu's items.
using MenuItems = std::vector<std::pair<std::string, std::string>>;
inline MenuItems menuItems(const QMenu& menu) {
  MenuItems items;
  for (QAction* action : menu.actions()) {
    items.emplace_back(action->objectName().toStdString(), action->text().toStdString());
  }
  return items;
}

// A roster of n assigned players named P1 .. Pn.
inline std::vector<std::string> playersNamed(int n) {
  std::vector<std::string> texts;
  for (int i = 1; i <= n; ++i) {
    texts.push_back("\"P" + std::to_string(i) + "\",\"1\",\"p@x\"");
  }
  return texts;
}

}  // namespace zelvaro::test
