// The player wizard at its first, third and last step.

#include <QComboBox>
#include <QDir>
#include <QLineEdit>

#include "core/text_file.h"
#include "shots.h"
#include "ui/extra_files_dialog.h"
#include "ui/player_wizard.h"

namespace zelvaro::shots {

namespace {

// The main window as the wizard sees it; the pictures never press OK.
struct StillHost : ui::WizardHost {
  core::Game& game() override { return gameValue; }
  std::string databasePath() const override { return database; }
  void clearGame() override {}
  void disableGameFileItems() override {}
  void reloadRecentGames() override {}
  void showGameFields() override {}
  void refreshRoster() override {}
  void setChanged() override {}
  core::Game gameValue;
  std::string database;
};

// A player's game folder under the throw-away home: universe, his turn, and a database.
std::string gameFolder() {
  const std::string folder = QDir::homePath().toStdString() + "/stars/orion";
  QDir().mkpath(QString::fromStdString(folder));
  core::writeAllLines(folder + "/ORION.XY", {""});
  core::writeAllLines(folder + "/ORION.m3", {""});
  return folder;
}

ui::PlayerWizard* wizard(Stage& stage) {
  static ui::PlayerWizard* shown = nullptr;
  if (shown == nullptr) {
    static StillHost host;
    host.database = gameFolder() + "/players.txt";
    core::writeAllLines(host.database, {"\"Galactic Host\",\"host@stars.example.org\",\"\"",
                                        "\"Alice Quasar\",\"alice@example.org\",\"\""});
    auto* extraFiles = stage.keep<ui::ExtraFilesDialog>();
    shown = stage.keep<ui::PlayerWizard>(host, *extraFiles);
  }
  return shown;
}

void answerUniverseAndNumber(ui::PlayerWizard* shown) {
  shown->findChild<QLineEdit*>("Edit1")->setText(
      QString::fromStdString(gameFolder() + "/ORION.XY"));
  shown->findChild<QLineEdit*>("Edit2")->setText("3");
  shown->Edit2Enter();
}

}  // namespace

void addWizardShots(std::vector<Shot>& shots) {
  shots.push_back({"wizard-step1", [](Stage& stage) -> QWidget* {
                     ui::PlayerWizard* shown = wizard(stage);
                     shown->start();
                     shown->Timer1Timer();
                     return shown;
                   }});
  shots.push_back({"wizard-step3", [](Stage& stage) -> QWidget* {
                     ui::PlayerWizard* shown = wizard(stage);
                     shown->start();
                     answerUniverseAndNumber(shown);
                     return shown;
                   }});
  shots.push_back({"wizard-step5", [](Stage& stage) -> QWidget* {
                     ui::PlayerWizard* shown = wizard(stage);
                     shown->start();
                     answerUniverseAndNumber(shown);
                     shown->findChild<QComboBox*>("edit3")->setCurrentIndex(0);
                     shown->edit3Enter();
                     shown->findChild<QLineEdit*>("Edit4")->setText("Orion");
                     shown->Edit4Enter();
                     return shown;
                   }});
}

}  // namespace zelvaro::shots
