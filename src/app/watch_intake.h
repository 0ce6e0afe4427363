#pragma once

// Watch mode's orders intake: the orders mailbox kept in view (IDLE, or a look every five
// minutes where the server has none) when `imapserver` is set, and each game's drop folder
// "incoming/" looked at once nothing has changed in it for two seconds. Each pass reads the
// games, the database and the journal afresh, mails the receipts, and says its verdicts and
// problems on standard error.

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/eventloop.h"
#include "platform/folder_watch.h"

namespace zelvaro::send {
class MailboxWatch;
}

namespace zelvaro::app {

class WatchIntake {
 public:
  // `settingsPath` empty: the drop folders only, with default settings.
  WatchIntake(std::vector<std::string> gameFiles, std::string settingsPath);
  ~WatchIntake();
  WatchIntake(const WatchIntake&) = delete;
  WatchIntake& operator=(const WatchIntake&) = delete;

  // A pass runs the loop (to mail receipts), and so does the watch's send session: only one of
  // them at a time. `mayRun` says whether a pass may start now (else it is tried again in a
  // second); `running` is told when a pass starts and ends.
  std::function<bool()> mayRun;
  std::function<void(bool)> running;

  // Watches the drop folders through `folders`, starts the mailbox watch and takes a first
  // pass over everything.
  void start(platform::FolderWatch& folders);
  // `folders` saw a change in `folder`: a drop folder is looked at once it has been quiet.
  void folderChanged(const std::string& folder);

 private:
  void takePass();

  const std::vector<std::string> gameFiles_;
  const std::string settingsPath_;
  std::vector<std::string> dropFolders_;
  std::unique_ptr<send::MailboxWatch> mailbox_;
  platform::Timer dropQuiet_;
  platform::Timer mailboxDue_;
  bool dropWanted_ = false;
  bool mailboxWanted_ = false;
};

}  // namespace zelvaro::app
