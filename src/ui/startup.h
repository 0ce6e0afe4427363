#pragma once

// What the program does around the main window: the command line examined at creation, the
// work of each activation (the game named on the command line, the intro screen, the hint
// for an empty database, sorting), and the unattended batch send that ends the program.

#include <set>
#include <string>
#include <vector>

#include "core/command_line.h"

namespace zelvaro::ui {

// What start-up needs of the main window.
class StartupWindow {
 public:
  virtual ~StartupWindow() = default;
  virtual void layOut() = 0;
  // Makes it the game file path, clears the game and reads the file (which must exist).
  virtual void openGameFile(const std::string& path) = 0;
  // Prepared with the version and the default alias, shown modally.
  virtual void showIntroScreen() = 0;
  virtual bool databaseEmpty() const = 0;
  virtual void sortPlayers() = 0;
  // One send session over the current game; true when every selected entry was mailed.
  virtual bool sendGame() = 0;
  // Why entries of the last session were not mailed.
  virtual std::vector<std::string> sendFailures() const = 0;
  // Ends the program at once with `status`, without the closing steps.
  virtual void quit(int status) = 0;
};

class Startup {
 public:
  Startup(StartupWindow& window, core::CommandLine commandLine, std::string settingsPath);

  // At creation: several game files make sense only for a batch run.
  void examineCommandLine();
  // Each time the main window becomes active.
  void FormActivate();

 private:
  void openPendingGame();
  void showIntroOnce();
  void hintAtEmptyDatabase();
  void sendEveryGame();
  // Opens and sends one game; false when an entry was not mailed (each said).
  bool sendGameFile(const std::string& path);

  StartupWindow& window_;
  const core::CommandLine commandLine_;
  const std::string settingsPath_;
  std::string pendingGameFile_;
  bool batch_;
  bool firstActivation_ = true;
  // The empty-database hint comes once per start, not at every return to the window.
  bool hinted_ = false;
  // Paths already reported missing, so the batch loop does not say it twice.
  std::set<std::string> reportedMissing_;
};

}  // namespace zelvaro::ui
