#include "ui/startup.h"

#include <utility>

#include "core/text_file.h"
#include "core/text_store.h"
#include "platform/messages.h"

namespace zelvaro::ui {

namespace {

constexpr const char* kHint =
    "Rightclick in the \"Database\" area to create new players.\n"
    "Click ignore to not show this message again.";

void reportMissing(const std::string& path) {
  platform::showMessage("File not found: " + path);
}

}  // namespace

Startup::Startup(StartupWindow& window, core::CommandLine commandLine, std::string settingsPath)
    : window_(window),
      commandLine_(std::move(commandLine)),
      settingsPath_(std::move(settingsPath)),
      pendingGameFile_(commandLine_.pendingGameFile),
      batch_(commandLine_.batch) {}

void Startup::examineCommandLine() {
  if (commandLine_.multipleFilesWithoutSend()) platform::showMessage(core::MultipleFilesMessage);
}

void Startup::FormActivate() {
  window_.layOut();
  if (batch_) firstActivation_ = false;
  openPendingGame();
  showIntroOnce();
  hintAtEmptyDatabase();
  window_.sortPlayers();
  if (batch_) {
    batch_ = false;
    sendEveryGame();
  }
}

void Startup::openPendingGame() {
  if (pendingGameFile_.empty()) return;
  const std::string path = std::exchange(pendingGameFile_, std::string());
  if (core::fileExists(path)) {
    window_.openGameFile(path);
  } else {
    reportMissing(path);
    reportedMissing_.insert(path);
  }
}

void Startup::showIntroOnce() {
  if (!firstActivation_) return;
  firstActivation_ = false;
  const std::string splash = core::ReadKey(settingsPath_, "splash");
  if (splash == "0" || splash == core::NotFound) window_.showIntroScreen();
}

void Startup::hintAtEmptyDatabase() {
  // The hint speaks of the window, which nobody looks at in a batch run.
  if (commandLine_.batch || !window_.databaseEmpty()) return;
  if (core::ReadKey(settingsPath_, "ignoredb") == "1") return;
  const platform::Button answer =
      platform::messages().ask({kHint,
                                {platform::Button::Ok, platform::Button::Ignore},
                                platform::Button::Ok,
                                platform::MessageKind::Information});
  if (answer == platform::Button::Ignore) core::WriteKey(settingsPath_, "ignoredb", "1");
}

void Startup::sendEveryGame() {
  bool failed = false;
  for (const std::string& path : commandLine_.gameFiles()) {
    if (!core::fileExists(path)) {
      // A game that was never mailed must not pass for one that was.
      if (reportedMissing_.count(path) == 0) reportMissing(path);
      failed = true;
      continue;
    }
    window_.openGameFile(path);
    if (!window_.sendGame()) {
      failed = true;
      for (const std::string& failure : window_.sendFailures()) {
        platform::showMessage(path + ": " + failure);
      }
    }
  }
  window_.quit(failed ? core::ExitFailed : core::ExitOk);
}

}  // namespace zelvaro::ui
