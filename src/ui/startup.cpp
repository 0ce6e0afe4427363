#include "ui/startup.h"

#include <utility>

#include "core/settings.h"
#include "core/text_file.h"
#include "core/text_store.h"
#include "platform/eventloop.h"
#include "platform/messages.h"

namespace zelvaro::ui {

namespace {

constexpr const char* kHint =
    "Rightclick in the \"Database\" area to create new players.\n"
    "Click ignore to not show this message again.";

void reportMissing(const std::string& path) {
  platform::showMessage("File not found: " + path);
}

// A step that fails is told and the next one runs: an activation, and above all a batch run,
// must get to its end whatever one file does.
template <typename Step>
bool guarded(Step&& step) {
  try {
    step();
    return true;
  } catch (const std::exception& error) {
    platform::messages().show(error.what(), platform::MessageKind::Error);
    return false;
  }
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
  guarded([this] { openPendingGame(); });
  guarded([this] { showIntroOnce(); });
  guarded([this] { hintAtEmptyDatabase(); });
  guarded([this] { window_.sortPlayers(); });
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
  const std::string splash = core::readSetting(settingsPath_, "splash");
  if (splash == "0" || splash == core::NotFound) window_.showIntroScreen();
}

void Startup::hintAtEmptyDatabase() {
  // The hint speaks of the window, which nobody looks at in a batch run.
  if (hinted_ || commandLine_.batch || !window_.databaseEmpty()) return;
  if (core::readSetting(settingsPath_, "ignoredb") == "1") return;
  hinted_ = true;
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
    if (platform::applicationTerminating()) {
      failed = true;
      break;
    }
    if (!core::fileExists(path)) {
      // A game that was never mailed must not pass for one that was.
      if (reportedMissing_.count(path) == 0) reportMissing(path);
      failed = true;
      continue;
    }
    bool sent = false;
    if (!guarded([&] { sent = sendGameFile(path); }) || !sent) failed = true;
  }
  window_.quit(failed ? core::ExitFailed : core::ExitOk);
}

bool Startup::sendGameFile(const std::string& path) {
  window_.openGameFile(path);
  if (window_.sendGame()) return true;
  for (const std::string& failure : window_.sendFailures()) {
    platform::showMessage(path + ": " + failure);
  }
  return false;
}

}  // namespace zelvaro::ui
