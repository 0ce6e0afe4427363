// The window follows the game's files: when the host generates a turn, the year and the
// roster's Mailed column change on screen without a Send. They are read again when the window
// becomes active and when something in the game's folders changes, if the files they come
// from changed.

#include <QLabel>
#include <QTimer>

#include "core/game_folders.h"
#include "platform/folder_watch.h"
#include "send/send_session.h"
#include "ui/main_window.h"

namespace zelvaro::ui {

namespace {

// A turn's generation rewrites a dozen files at once; the window looks once they are written.
constexpr int kSettleMs = 300;

}  // namespace

void MainWindow::followFiles() {
  // A session reads the year for every entry: it keeps the one it started with.
  if (session_ && session_->running()) return;
  watchGameFolders();
  const std::string stamp = core::yearAndJournalStamp(game_, journal_.path());
  if (stamp == filesStamp_) return;
  filesStamp_ = stamp;
  if (!game_.universePath.empty()) {
    try {
      // A host file caught half-written is no news; the year is read aloud before a send.
      core::readBasePathAndYear(game_, header_);
    } catch (const std::exception&) {
    }
    gameyear->setText(QString::fromStdString("Current year: " + std::to_string(game_.year)));
  }
  readJournal();
  refreshRoster();
}

void MainWindow::noteFilesRead() {
  filesStamp_ = core::yearAndJournalStamp(game_, journal_.path());
  watchGameFolders();
}

void MainWindow::watchGameFolders() {
  // A window never shown (watch mode, a batch run) has nobody to show the files to.
  if (!isVisible()) return;
  const std::vector<std::string> folders = core::gameFolders(game_);
  if (folders == watchedFolders_ && (folderWatch_ || folders.empty())) return;
  watchedFolders_ = folders;
  folderWatch_.reset();
  if (folders.empty()) return;
  folderWatch_ = std::make_unique<platform::FolderWatch>();
  folderWatch_->onChange = [this](const std::string&) { filesSettle_->start(); };
  for (const std::string& folder : folders) folderWatch_->watch(folder);
}

void MainWindow::createFileFollowing() {
  filesSettle_ = new QTimer(this);
  filesSettle_->setSingleShot(true);
  filesSettle_->setInterval(kSettleMs);
  connect(filesSettle_, &QTimer::timeout, this, &MainWindow::followFiles);
}

}  // namespace zelvaro::ui
