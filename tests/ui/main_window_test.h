#pragma once

// The main window on a settings file and a player database of its own in a temporary folder,
// with game files made there on demand.

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTimer>
#include <memory>
#include <string>
#include <vector>

#include "core/comma_list.h"
#include "core/game_file.h"
#include "core/text_store.h"
#include "dialog_test.h"
#include "support/temp_dir.h"
#include "ui/grid.h"
#include "ui/main_window.h"

namespace zelvaro::test {

class MainWindowTest : public DialogTest {
 protected:
  void SetUp() override {
    DialogTest::SetUp();
    core::resetStoreState();
    settingsPath = dir.file("zelvaro.cfg");
    core::createSettingsIfMissing(settingsPath);
    core::WriteKey(settingsPath, "database", dir.file("database.txt"));
  }

  // A window after its creation work, as the program starts it.
  ui::MainWindow& start() {
    window = std::make_unique<ui::MainWindow>(settingsPath);
    window->FormCreate();
    return *window;
  }

  // A game file named `name`.zv holding a game of that name with `subject`.
  std::string writeGame(const std::string& name, const std::string& subject = "Turn %Y") {
    core::Game game;
    game.name = name;
    game.subject = subject;
    game.universePath = dir.file(name + ".xy");
    game.body = {"Hello %P", "", "bye"};
    game.roster = {core::ContestorEntry::assigned("Ann", "ann@example.org"),
                   core::ContestorEntry::blank()};
    game.filePath = dir.file(name + ".zv");
    core::writeGameFile(game);
    return game.filePath;
  }

  // The game as the file at `path` holds it.
  static core::Game readSaved(const std::string& path) {
    core::Game saved;
    saved.filePath = path;
    core::StarsHeader header;
    EXPECT_TRUE(core::readGameFile(saved, header)) << path;
    return saved;
  }

  // Opens the file through File/Open, as the operator would.
  void openThroughMenu(const std::string& path) {
    recorded().answerNextFile(path);
    trigger("Open1");
  }

  void trigger(const char* item) {
    auto* action = window->findChild<QAction*>(QString::fromUtf8(item));
    ASSERT_NE(action, nullptr) << item;
    action->trigger();
  }
  bool enabled(const char* item) const {
    return window->findChild<QAction*>(QString::fromUtf8(item))->isEnabled();
  }
  template <typename Widget>
  Widget* find(const char* name) const {
    return control<Widget>(*window, name);
  }
  QComboBox* gamename() const { return find<QComboBox>("gamename"); }
  std::vector<std::string> listedGames() const {
    std::vector<std::string> names;
    for (int i = 0; i < gamename()->count(); ++i) {
      names.push_back(gamename()->itemText(i).toStdString());
    }
    return names;
  }
  // Picks a recent game from the list as the mouse would.
  void pick(int index) {
    gamename()->setCurrentIndex(index);
    window->gamenameClick(index);
  }
  int questions() const {
    int count = 0;
    for (const auto& entry : recorded().entries) count += entry.question ? 1 : 0;
    return count;
  }

  TempDir dir;
  std::string settingsPath;
  std::unique_ptr<ui::MainWindow> window;
};

}  // namespace zelvaro::test
