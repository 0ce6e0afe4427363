#include "app/watch_intake.h"

#include <chrono>
#include <filesystem>
#include <iostream>
#include <utility>

#include "app/orders_run.h"
#include "core/send_journal.h"
#include "send/drop_folder.h"
#include "send/orders_mailbox.h"
#include "send/orders_pass.h"

namespace zelvaro::app {

namespace {

// A file being copied or uploaded into a drop folder changes for a while; it is looked at once
// the folder has been quiet this long.
constexpr int kDropQuietMs = 2000;
// The quiet time has passed since the last change the system told of; a file's own time may lag
// the notice, so it only has to be this old.
constexpr std::chrono::seconds kDropSettle{1};
// A pass that may not run yet (a send session runs the loop) is tried again this soon.
constexpr int kRetryMs = 1000;

void say(const std::string& line) {
  std::cerr << line << std::endl;
}

void sayProblem(const std::string& line) {
  std::cerr << "zelvaro: " << line << std::endl;
}

core::Settings settingsFrom(const std::string& path) {
  core::Settings settings;
  if (!path.empty()) core::loadOptions(path, settings);
  return settings;
}

}  // namespace

WatchIntake::WatchIntake(std::vector<std::string> gameFiles, std::string settingsPath)
    : gameFiles_(std::move(gameFiles)), settingsPath_(std::move(settingsPath)) {
  for (const std::string& path : gameFiles_) {
    core::Game game;
    game.filePath = std::filesystem::absolute(path).lexically_normal().string();
    dropFolders_.push_back(send::incomingFolderOf(game));
  }
  dropQuiet_.setInterval(kDropQuietMs);
  dropQuiet_.onTick = [this] {
    dropQuiet_.setEnabled(false);
    dropWanted_ = true;
    takePass();
  };
  mailboxDue_.setInterval(1);
  mailboxDue_.onTick = [this] { takePass(); };
}

WatchIntake::~WatchIntake() = default;

void WatchIntake::start(platform::FolderWatch& folders) {
  for (const std::string& folder : dropFolders_) folders.watch(folder);
  const core::Settings settings = settingsFrom(settingsPath_);
  if (!settings.mailbox.server.empty()) {
    // The watch calls from inside its connection's handlers; the pass runs from the loop.
    mailbox_ = std::make_unique<send::MailboxWatch>(
        settings,
        [this] {
          mailboxWanted_ = true;
          mailboxDue_.setEnabled(true);
        },
        [](const std::string& problem) { sayProblem("orders mailbox: " + problem); });
    mailbox_->start();
  }
  dropWanted_ = true;
  mailboxDue_.setEnabled(true);
}

void WatchIntake::folderChanged(const std::string& folder) {
  for (const std::string& drop : dropFolders_) {
    if (drop != folder) continue;
    dropQuiet_.setEnabled(false);
    dropQuiet_.setEnabled(true);
  }
}

void WatchIntake::takePass() {
  mailboxDue_.setEnabled(false);
  if (!dropWanted_ && !mailboxWanted_) return;
  if (mayRun && !mayRun()) {
    mailboxDue_.setInterval(kRetryMs);
    mailboxDue_.setEnabled(true);
    return;
  }
  mailboxDue_.setInterval(1);
  const bool mailbox = std::exchange(mailboxWanted_, false);
  const bool drop = std::exchange(dropWanted_, false);
  if (running) running(true);
  try {
    const core::Settings settings = settingsFrom(settingsPath_);
    core::SendJournal journal;
    if (const std::string problem = journal.load(); !problem.empty()) sayProblem(problem);
    send::OrdersIntake intake(readIntakeGames(gameFiles_, settings, sayProblem), journal);
    send::OrdersPass pass(settings, intake, journal, {say, sayProblem});
    if (mailbox) pass.takeMailbox();
    if (drop) pass.takeDropFolders(kDropSettle);
  } catch (const std::exception& error) {
    // Nothing about intake ends the watch.
    sayProblem(std::string("orders intake: ") + error.what());
  }
  if (running) running(false);
  // Mail that came while the pass ran is looked at in another.
  if (mailboxWanted_ || dropWanted_) mailboxDue_.setEnabled(true);
}

}  // namespace zelvaro::app
