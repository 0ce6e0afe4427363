#pragma once

// The running program: the main window (which creates the other windows it opens), created
// and then activated as start-up says, and ended by its closing or by the end of a batch run.
// Every window carries the program's icon and opens where the screen shows it whole.

#include <memory>
#include <string>
#include <vector>

#include "core/command_line.h"
#include "ui/startup.h"

namespace zelvaro::ui {

class ActivationWatch;
class MainWindow;
class WindowPlacement;

class Program : private StartupWindow {
 public:
  Program(core::CommandLine commandLine, std::string settingsPath);
  ~Program() override;

  // Creation: the command line examined, the main window filled from the files, then shown.
  void start();
  MainWindow& window() { return *window_; }

 private:
  void activated();

  void layOut() override;
  void openGameFile(const std::string& path) override;
  void showIntroScreen() override;
  bool databaseEmpty() const override;
  void sortPlayers() override;
  bool sendGame() override;
  std::vector<std::string> sendFailures() const override;
  void quit(int status) override;

  std::unique_ptr<MainWindow> window_;
  std::unique_ptr<ActivationWatch> watch_;
  std::unique_ptr<WindowPlacement> placement_;
  Startup startup_;
  const core::CommandLine commandLine_;
  bool firstActivation_ = true;
  bool ended_ = false;
};

}  // namespace zelvaro::ui
