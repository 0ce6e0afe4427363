#include "app/run.h"

#include <cstdlib>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include "app/launch.h"
#include "app/orders_run.h"
#include "app/watch.h"
#include "core/command_line.h"
#include "core/settings.h"
#include "platform/application.h"
#include "platform/messages.h"
#include "platform/termination.h"
#include "send/connection_check.h"
#include "ui/program.h"

namespace zelvaro::app {

namespace {

// The same check as the settings dialog's, for a shell or a script.
int checkConnection(char** argv) {
  static int toolkitArgc = 1;
  platform::Application application(toolkitArgc, argv, platform::Application::Kind::Headless);
  platform::installMessages(std::make_unique<platform::BatchMessages>());
  const std::string path = core::settingsFilePath();
  core::createSettingsIfMissing(path);
  core::Settings settings;
  core::loadOptions(path, settings);
  const send::CheckReport report = send::checkConnection(settings);
  for (const std::string& line : report.lines) std::cout << line << "\n";
  return report.ok ? ExitOk : ExitFailed;
}

// The orders runs read files and the journal; they need the loop only for the mailbox.
int ordersRun(const core::CommandLine& commandLine, char** argv) {
  static int toolkitArgc = 1;
  platform::Application application(toolkitArgc, argv, platform::Application::Kind::Headless);
  platform::installMessages(std::make_unique<platform::BatchMessages>());
  const std::string path = core::settingsFilePath();
  core::createSettingsIfMissing(path);
  if (commandLine.status) return runStatus(commandLine, std::cout, std::cerr);
  return runFetchOrders(commandLine, path, std::cout, std::cerr);
}

int runProgram(int argc, char** argv);

}  // namespace

int run(int argc, char** argv) {
  // Whatever escapes is said and ends the run with a failure, never an abort.
  try {
    return runProgram(argc, argv);
  } catch (const std::exception& error) {
    std::cerr << "zelvaro: " << error.what() << std::endl;
  } catch (...) {
    std::cerr << "zelvaro: Unknown exception" << std::endl;
  }
  return ExitFailed;
}

namespace {

int runProgram(int argc, char** argv) {
  core::CommandLine commandLine =
      core::examineCommandLine(std::vector<std::string>(argv + 1, argv + argc));
  switch (chooseLaunch(commandLine, Environment::current())) {
    case Launch::Usage:
      std::cerr << usageErrorText(commandLine);
      return ExitUsage;
    case Launch::Help:
      std::cout << usageText();
      return ExitOk;
    case Launch::Version:
      std::cout << versionText();
      return ExitOk;
    case Launch::CheckConnection:
      return checkConnection(argv);
    case Launch::FetchOrders:
    case Launch::Status:
      return ordersRun(commandLine, argv);
    case Launch::NeedsDisplay:
      std::cerr << noDisplayText();
      return ExitUsage;
    case Launch::Offscreen:
    case Launch::Watch:
      setenv("QT_QPA_PLATFORM", "offscreen", 1);
      break;
    case Launch::Windowed:
      break;
  }
  // Standard error of an unattended run carries the program's messages only, not the
  // toolkit's chatter about the platform it runs on (unless asked for by hand).
  if (commandLine.batch || commandLine.watch)
    setenv("QT_LOGGING_RULES", "*.debug=false;*.info=false;*.warning=false", 0);

  // The toolkit sees the program's name only: a game file must never be taken for one of its
  // options ("-style", "-reverse", ...).
  static int toolkitArgc = 1;
  platform::Application application(toolkitArgc, argv, platform::Application::Kind::Widgets);
  if (commandLine.watch) {
    platform::installMessages(std::make_unique<platform::BatchMessages>());
    return runWatch(commandLine, core::settingsFilePath(), application);
  }
  auto* batchMessages = new platform::BatchMessages;
  if (commandLine.batch) {
    platform::installMessages(std::unique_ptr<platform::Messages>(batchMessages));
  } else {
    delete batchMessages;
    batchMessages = nullptr;
    platform::installMessages(platform::makeWidgetMessages());
  }
  ui::Program program(commandLine, core::settingsFilePath());
  // Stopped, a batch run finishes the journal line in hand and tells that not all went out.
  std::unique_ptr<platform::TerminationWatch> termination;
  if (commandLine.batch) {
    termination = std::make_unique<platform::TerminationWatch>(
        [](int) { platform::Application::quit(core::ExitFailed); });
  }
  program.start();
  int status = application.exec();
  if (batchMessages != nullptr && batchMessages->written() > 0 && status == ExitOk) {
    status = ExitFailed;
  }
  return status;
}

}  // namespace
}  // namespace zelvaro::app
