// The Settings menu and the floating tools of the main window: global options through the
// settings dialog's hooks, the game's alias, and the up/down mover on the roster.

#include <QLineEdit>
#include <QMenu>
#include <QTimer>
#include <filesystem>

#include "core/game_rules.h"
#include "core/player_database.h"
#include "main_window_test.h"
#include "support/stars_turn.h"
#include "ui/alias_dialog.h"
#include "ui/player_wizard.h"
#include "ui/settings_dialog.h"
#include "ui/text_window.h"

namespace zelvaro::test {
namespace {

TEST_F(MainWindowTest, TheSettingsDialogSwitchesTheDatabaseAndShowsTheMonitor) {
  start();
  const std::string other = dir.file("other.txt");
  writeFile(other, "");
  core::PlayerDatabase(other).append({"Zoe", "zoe@example.org", "new"});
  core::Settings entered = window->settings();
  entered.database = other;
  window->settingsDialog().fill(entered);

  window->settingsDialog().Edit4Enter();

  EXPECT_EQ(window->settings().database, other);
  EXPECT_EQ(window->players().cell(0, 0), "Zoe");
  EXPECT_FALSE(window->databaseEmpty());

  window->settingsDialog().Label1DblClick();
  EXPECT_TRUE(window->monitorWindow().isVisible());
}

TEST_F(MainWindowTest, AConfirmedAliasMarksTheGameChanged) {
  start();
  openThroughMenu(writeGame("Orion"));
  ASSERT_TRUE(enabled("Gamespecificoptions1"));
  auto answer = [this](bool confirm, const char* alias) {
    QTimer::singleShot(0, window.get(), [this, confirm, alias] {
      ui::AliasDialog& dialog = window->aliasDialog();
      dialog.setAlias(alias);
      confirm ? dialog.Button1Click() : dialog.Button2Click();
    });
    trigger("Gamespecificoptions1");
  };

  answer(false, "Nobody");
  EXPECT_EQ(window->game().alias, "");
  EXPECT_FALSE(window->game().changed);

  answer(true, "The Host");
  EXPECT_EQ(window->game().alias, "The Host");
  EXPECT_TRUE(window->game().changed);
  EXPECT_FALSE(std::filesystem::exists(core::rulesPathFor(window->game().filePath)))
      << "an untouched schedule writes no file";

  QTimer::singleShot(0, window.get(), [this] {
    ui::AliasDialog& dialog = window->aliasDialog();
    dialog.findChild<QLineEdit*>("DeadlineEdit")->setText("daily 20:00");
    dialog.Button1Click();
  });
  trigger("Gamespecificoptions1");
  const auto rules = core::readGameRules(core::rulesPathFor(window->game().filePath));
  EXPECT_EQ(core::deadlineText(rules.rules.deadline), "daily 20:00");
}

TEST_F(MainWindowTest, TheMoverMovesTheSelectedEntryWithoutMarkingAChange) {
  start();
  openThroughMenu(writeGame("Orion"));
  window->contestors().selectRow(0);

  window->rosterMover().Button2Click();  // Down

  EXPECT_EQ(window->contestors().cell(0, 2), "");
  EXPECT_EQ(window->contestors().cell(1, 2), "Ann");
  EXPECT_EQ(window->contestors().cell(1, 1), "2");
  EXPECT_EQ(window->contestors().currentRow(), 1);
  EXPECT_EQ(window->game().roster[1].name(), "Ann");
  EXPECT_FALSE(window->game().changed);
}

TEST_F(MainWindowTest, TheGridCommandsActOnTheWindowsGame) {
  writeFile(dir.file("database.txt"), "");
  core::PlayerDatabase(dir.file("database.txt")).append({"Zoe", "zoe@example.org", ""});
  core::PlayerDatabase(dir.file("database.txt")).append({"Ann", "ann@example.org", ""});
  start();
  window->sortPlayers();
  EXPECT_EQ(window->players().cell(0, 0), "Ann");
  EXPECT_NE(find<QMenu>("playermenu"), nullptr);
  EXPECT_NE(find<QMenu>("contestormenu"), nullptr);

  window->players().selectRow(1);
  trigger("Copyplayertogame1");

  ASSERT_EQ(window->game().roster.size(), 1u);
  EXPECT_EQ(window->game().roster[0].name(), "Zoe");
  EXPECT_EQ(window->contestors().cell(0, 2), "Zoe");
  EXPECT_TRUE(window->game().changed);
}

TEST_F(MainWindowTest, PlayerWizOpensTheWizardModally) {
  start();
  openThroughMenu(writeGame("Orion"));
  bool shownModally = false;
  QTimer::singleShot(0, window.get(), [this, &shownModally] {
    ui::PlayerWizard& wizard = window->playerWizardDialog();
    shownModally = wizard.isVisible() && wizard.isModal();
    wizard.Button5Click();  // Forget it all
  });
  trigger("Playerwiz1");
  EXPECT_TRUE(shownModally);
  EXPECT_FALSE(window->playerWizardDialog().isVisible());
  EXPECT_EQ(window->game().filePath, dir.file("Orion.zv"));
}

TEST_F(MainWindowTest, PlayerWizReadsTheYearAgainAfterTheWizard) {
  start();
  const std::string host = dir.file("war.hst");
  writeFile(host, starsHost(2405));
  window->playerWizard = [this] {
    find<QLineEdit>("xyfilename")->setText(QString::fromStdString(dir.file("war.xy")));
  };
  trigger("Playerwiz1");
  EXPECT_EQ(text(*window, "gameyear"), "Current year: 2405");
}

}  // namespace
}  // namespace zelvaro::test
