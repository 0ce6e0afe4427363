#pragma once

// Watch mode: every named game is looked at when the program starts, whenever something in its
// folder or its Stars! files' folder changes, and at a rescan every minute; a turn whose files are
// all this year's and have settled is mailed by the same session as /send, and failed players are
// tried again on a schedule. One line per event on standard error, prefixed with the game file's
// name. Runs until SIGTERM or SIGINT, which end it with status 0.

#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "core/command_line.h"
#include "core/send_journal.h"
#include "core/turn_observation.h"
#include "core/turn_watch.h"
#include "platform/application.h"
#include "platform/eventloop.h"
#include "platform/folder_watch.h"
#include "platform/messages.h"

namespace zelvaro::app {

class WatchIntake;

// What a session reports about the players it was given.
struct MailOutcome {
  int mailed = 0;  // mailed now, or found mailed already
  // Players not mailed, with the reason as the session gives it ("Send failed: 451 ...").
  std::map<int, std::string> failed;
};

// Runs one send session over a game, read afresh from its file, for these players only.
class GameMailer {
 public:
  virtual ~GameMailer() = default;
  virtual MailOutcome mail(const std::string& gameFile, const std::set<int>& players) = 0;
};

class ScheduleWatch;

struct WatchOptions {
  std::vector<std::string> gameFiles;
  core::WatchRules rules;
  int rescanMs = 60000;
  // Deadlines, reminders, generation and the status page; none: turns are only mailed.
  ScheduleWatch* schedule = nullptr;
  // Where the orders mailbox and the receipts' account are read from; empty: drop folders only.
  std::string settingsPath;
};

class GameWatch {
 public:
  GameWatch(WatchOptions options, GameMailer& mailer);
  ~GameWatch();

  // The first look at every game.
  void start();

 private:
  struct Failure {
    int attempts = 0;
    core::FailureKind kind = core::FailureKind::Passing;
    core::WatchTime last{};
  };
  struct Game {
    std::string path;  // absolute
    std::string name;  // the file name, which starts every line about it
    // The game file's folder and its Stars! files' (absolute): a change in either is looked at.
    std::set<std::string> folders;
    std::string fingerprint;
    bool looked = false;
    core::WatchTime changeSeen{};
    int year = 0;
    std::map<int, Failure> failures;  // this year's, by player
    std::string stateLine;            // the last line said about the game's state
    std::set<std::string> messages;   // said since the files last changed
    platform::Timer timer;            // the next look when nothing changes
    core::WatchTime nextLook{};
  };
  class Messages;

  void look(Game& game);
  void lookAfterChange(const std::string& folder);
  // Hosts often keep the game file apart from the files the game writes.
  void watchStarsFolder(Game& game, const core::TurnObservation& seen);
  void act(Game& game, const core::TurnObservation& seen);
  void mail(Game& game, const core::TurnObservation& seen, const std::vector<int>& players);
  void noteFailure(Game& game, int player, const std::string& reason);
  // A new fingerprint: the settle time starts again and messages may be said again.
  void noteChange(Game& game, const core::TurnObservation& seen);
  void lookAgainAt(Game& game, core::WatchTime when);
  void lookAfterSession(Game& game);
  // The schedule's turn once the game's turn needs no mailing now.
  void followSchedule(Game& game, const core::TurnObservation& seen);
  Game* gameAt(const std::string& path) const;
  std::vector<core::WatchedPlayer> withFailures(const Game& game,
                                                std::vector<core::WatchedPlayer> players) const;

  // A line about the game's state, said when it differs from the last one.
  void sayState(Game& game, const std::string& text);
  // An event: always said.
  void tell(const Game& game, const std::string& text);

  const WatchOptions options_;
  GameMailer& mailer_;
  core::SendJournal journal_;
  platform::FolderWatch folders_;
  std::vector<std::unique_ptr<Game>> games_;
  Game* current_ = nullptr;  // the game looked at or mailed now: messages are about it
  bool mailing_ = false;
  std::set<Game*> lookAfterMailing_;
  std::unique_ptr<platform::Messages> previousMessages_;
  std::unique_ptr<WatchIntake> intake_;
};

// The program in watch mode: settings read at start, the games watched until a signal.
int runWatch(const core::CommandLine& commandLine, const std::string& settingsPath,
             platform::Application& application);

}  // namespace zelvaro::app
